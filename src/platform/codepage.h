#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace VynMemberComment::Platform {

// A Windows code page by its number: 1252, 936, 1251, ...
using CodePage = int;

// The code page that a locale name ("de_DE.UTF-8", "zh_CN", "C") stands for; CP1252 when none fits.
CodePage codePageForLocale(std::string_view localeName);

// The system code page, chosen once from LC_ALL, else LC_CTYPE, else LANG.
CodePage systemCodePage();

// Appends the code of each UTF-16 unit in the code page to `codes`: a single byte as 0..255, a
// double-byte character as one 16-bit number with the lead byte in the high half. A character the
// code page cannot hold becomes '?' (63), and so does each half of a surrogate pair.
void toCodePage(QStringView text, CodePage codePage, std::vector<std::uint16_t> &codes);

// Decodes bytes of a named charset ("utf-8", "windows-1252", "iso-8859-1", ...) piece by piece, so
// that a character split between two pieces is not broken. Unknown charsets decode as UTF-8.
class TextDecoder
{
public:
    explicit TextDecoder(const QByteArray &charset);
    ~TextDecoder();
    TextDecoder(const TextDecoder &) = delete;
    TextDecoder &operator=(const TextDecoder &) = delete;

    QString decode(QByteArrayView bytes);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace VynMemberComment::Platform
