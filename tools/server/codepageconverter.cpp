#include "codepageconverter.h"

#include <cerrno>
#include <iconv.h>

namespace MemberCommentServer {

namespace {

// An iconv descriptor from a code page to UTF-8, closed on scope exit. A descriptor keeps shift
// state, so each conversion gets its own and requests never share one.
class Iconv
{
public:
    explicit Iconv(const std::string &from)
        : m_cd(iconv_open("UTF-8", from.c_str()))
    {
    }
    ~Iconv()
    {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv &) = delete;
    Iconv &operator=(const Iconv &) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

} // namespace

std::optional<CodePageConverter> CodePageConverter::open(const std::string &name)
{
    Iconv cd(name);
    if (!cd.valid())
        return std::nullopt;
    CodePageConverter converter(name);
    // A byte that iconv calls an incomplete sequence on its own is the lead byte of a pair.
    for (int b = 0x80; b <= 0xFF; ++b) {
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        char in = static_cast<char>(b);
        char out[8];
        char *inPtr = &in;
        char *outPtr = out;
        size_t inLeft = 1;
        size_t outLeft = sizeof out;
        if (iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) && errno == EINVAL)
            converter.m_leadBytes[static_cast<size_t>(b)] = true;
    }
    return converter;
}

std::optional<std::string> CodePageConverter::toUtf8(std::string_view bytes) const
{
    Iconv cd(m_name);
    if (!cd.valid())
        return std::nullopt;
    // A byte of a code page is at most three bytes of UTF-8: reserving that at once spares the copies
    // of a growing string, and pages never written are never taken from the system.
    std::string result;
    result.reserve(bytes.size() * 3);
    // iconv only reads its input, whatever its signature says: no copy of megabytes of body.
    char *inPtr = const_cast<char *>(bytes.data());
    size_t inLeft = bytes.size();
    char buffer[4096];
    while (inLeft > 0) {
        char *outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        result.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (rc == static_cast<size_t>(-1) && errno != E2BIG)
            return std::nullopt; // an invalid or incomplete sequence
    }
    return result;
}

} // namespace MemberCommentServer
