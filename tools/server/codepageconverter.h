#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace MemberCommentServer {

// The single- or double-byte code page that form bodies are written in (CP1252, CP936, ...).
class CodePageConverter
{
public:
    // The converter for an iconv code page name; none when iconv does not know it.
    static std::optional<CodePageConverter> open(const std::string &name);

    const std::string &name() const { return m_name; }
    // True when the byte starts a double-byte character and needs a trail byte.
    bool isLeadByte(unsigned char byte) const { return m_leadBytes[byte]; }
    // The bytes as UTF-8; none when they are no valid text of the code page.
    std::optional<std::string> toUtf8(std::string_view bytes) const;

private:
    explicit CodePageConverter(std::string name)
        : m_name(std::move(name))
    {
    }

    std::string m_name;
    std::array<bool, 256> m_leadBytes{};
};

} // namespace MemberCommentServer
