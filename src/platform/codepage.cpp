#include "platform/codepage.h"

#include <QStringDecoder>

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace VynMemberComment::Platform {

namespace {

constexpr CodePage kDefaultCodePage = 1252;
constexpr std::uint16_t kUnmappable = u'?';
constexpr const char *kUtf16 = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "UTF-16LE" : "UTF-16BE";
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Owns one iconv conversion descriptor.
class Converter
{
public:
    Converter(const char *to, const char *from)
        : m_cd(iconv_open(to, from))
    {
    }
    ~Converter()
    {
        if (isOpen())
            iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool isOpen() const { return m_cd != kNoConverter; }
    // Converts what it can; the result and errno as iconv(3) gives them.
    std::size_t operator()(const char **in, std::size_t *inLeft, char **out, std::size_t *outLeft) const
    {
        return iconv(m_cd, const_cast<char **>(in), inLeft, out, outLeft);
    }
    // Writes out any state held back and returns to the initial state.
    void flush(char **out, std::size_t *outLeft) const { iconv(m_cd, nullptr, nullptr, out, outLeft); }

private:
    iconv_t m_cd;
};

// What iconv tells about one code page, learnt once by decoding each of its 256 bytes.
struct CodePageInfo {
    QByteArray iconvName;
    bool available = false; // iconv knows the page
    bool doubleByte = false;
    std::array<bool, 256> leadByte{};         // bytes that start a two-byte character
    std::vector<std::uint8_t> singleByteCode; // per BMP character, 0 when the page has no byte for it
};

CodePageInfo learnCodePage(CodePage codePage)
{
    CodePageInfo info;
    info.iconvName = "CP" + QByteArray::number(codePage);
    info.singleByteCode.assign(0x10000, 0);
    for (int b = 0; b < 0x80; ++b)
        info.singleByteCode[std::size_t(b)] = std::uint8_t(b);
    const Converter decoder(kUtf16, info.iconvName.constData());
    info.available = decoder.isOpen();
    if (!info.available)
        return info;
    for (int b = 0x80; b < 0x100; ++b) {
        const char byte = char(b);
        const char *in = &byte;
        std::size_t inLeft = 1;
        char16_t decoded[4];
        char *out = reinterpret_cast<char *>(decoded);
        std::size_t outLeft = sizeof decoded;
        const std::size_t result = decoder(&in, &inLeft, &out, &outLeft);
        const int error = errno;
        decoder.flush(&out, &outLeft); // pages that combine letters hold the last one back
        if (result == std::size_t(-1) && error == EINVAL) {
            info.doubleByte = true;
            info.leadByte[std::size_t(b)] = true;
        } else if (result != std::size_t(-1) && sizeof decoded - outLeft == sizeof(char16_t)) {
            info.singleByteCode[decoded[0]] = std::uint8_t(b);
        }
    }
    if (info.doubleByte)
        info.singleByteCode = {};
    return info;
}

// The facts about a code page; one that iconv does not know is taken as CP1252.
const CodePageInfo &codePageInfo(CodePage codePage)
{
    static std::mutex mutex;
    static std::map<CodePage, CodePageInfo> known;
    const std::lock_guard lock(mutex);
    if (auto it = known.find(codePage); it != known.end())
        return it->second;
    CodePageInfo info = learnCodePage(codePage);
    if (!info.available && codePage != kDefaultCodePage)
        info = learnCodePage(kDefaultCodePage);
    return known.emplace(codePage, std::move(info)).first->second;
}

void toSingleByte(QStringView text, const CodePageInfo &info, std::vector<std::uint16_t> &codes)
{
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    while (p < end) {
        const char16_t c = *p;
        if (c < 0x80) {
            codes.push_back(c);
            ++p;
        } else {
            const std::uint8_t code = info.singleByteCode[c];
            codes.push_back(code != 0 ? code : kUnmappable);
            ++p;
        }
    }
}

// Splits converted bytes into codes: a lead byte and its trail byte make one 16-bit code.
void appendCodes(const unsigned char *bytes, std::size_t count, const CodePageInfo &info,
                 std::vector<std::uint16_t> &codes)
{
    for (std::size_t i = 0; i < count; ++i) {
        if (info.leadByte[bytes[i]] && i + 1 < count) {
            codes.push_back(std::uint16_t(bytes[i] << 8 | bytes[i + 1]));
            ++i;
        } else {
            codes.push_back(bytes[i]);
        }
    }
}

// Converts one run of non-ASCII text with a single iconv call, restarting only after a
// character the code page cannot hold. The run goes in as wchar_t (UCS-4 in glibc), which the
// code page module reads directly: from UTF-16, iconv would chain two steps and redo the first
// one on every unmappable character.
void convertRun(const Converter &encoder, const char16_t *begin, const char16_t *end, const CodePageInfo &info,
                std::vector<std::uint16_t> &codes)
{
    static_assert(sizeof(wchar_t) == 4);
    // Unit by unit: a surrogate, paired or not, is no character iconv converts.
    const std::vector<wchar_t> characters(begin, end);
    std::vector<unsigned char> buffer(characters.size() * 2 + 16);
    const char *in = reinterpret_cast<const char *>(characters.data());
    std::size_t inLeft = characters.size() * sizeof(wchar_t);
    while (inLeft > 0) {
        char *out = reinterpret_cast<char *>(buffer.data());
        std::size_t outLeft = buffer.size();
        const std::size_t result = encoder(&in, &inLeft, &out, &outLeft);
        const int error = errno;
        appendCodes(buffer.data(), buffer.size() - outLeft, info, codes);
        if (result != std::size_t(-1) || error == E2BIG)
            continue;
        // The character at `in` has no code in this page.
        codes.push_back(kUnmappable);
        in += sizeof(wchar_t);
        inLeft -= sizeof(wchar_t);
    }
}

void toDoubleByte(QStringView text, const CodePageInfo &info, std::vector<std::uint16_t> &codes)
{
    const Converter encoder(info.iconvName.constData(), "WCHAR_T");
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    while (p < end) {
        if (*p < 0x80) {
            codes.push_back(*p++);
            continue;
        }
        const char16_t *runEnd = p + 1;
        while (runEnd < end && *runEnd >= 0x80)
            ++runEnd;
        convertRun(encoder, p, runEnd, info, codes);
        p = runEnd;
    }
}

struct LocaleRule {
    const char *language;
    CodePage codePage;
};

// Languages whose Windows system code page is not CP1252; Chinese, Serbian and Uzbek are decided
// by territory or script below. One line per code page.
// clang-format off
constexpr LocaleRule kLocaleRules[] = {
    {"ja", 932}, {"ko", 949},
    {"cs", 1250}, {"hu", 1250}, {"pl", 1250}, {"ro", 1250}, {"hr", 1250}, {"sk", 1250},
    {"sl", 1250}, {"sq", 1250}, {"bs", 1250},
    {"ru", 1251}, {"uk", 1251}, {"be", 1251}, {"bg", 1251}, {"mk", 1251}, {"kk", 1251},
    {"ky", 1251}, {"tt", 1251}, {"mn", 1251}, {"ba", 1251}, {"tg", 1251},
    {"el", 1253},
    {"tr", 1254}, {"az", 1254},
    {"he", 1255}, {"iw", 1255},
    {"ar", 1256}, {"fa", 1256}, {"ur", 1256},
    {"lt", 1257}, {"lv", 1257}, {"et", 1257},
    {"vi", 1258},
    {"th", 874},
};
// clang-format on

} // namespace

CodePage codePageForLocale(std::string_view localeName)
{
    const std::size_t languageEnd = localeName.find_first_of("_-.@");
    std::string language(localeName.substr(0, languageEnd));
    for (char &c : language)
        c = char(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    std::string_view territory;
    if (languageEnd != std::string_view::npos && (localeName[languageEnd] == '_' || localeName[languageEnd] == '-')) {
        territory = localeName.substr(languageEnd + 1);
        territory = territory.substr(0, territory.find_first_of(".@"));
    }
    const std::size_t at = localeName.find('@');
    const std::string_view modifier = at == std::string_view::npos ? std::string_view() : localeName.substr(at + 1);
    auto territoryIs = [&](std::string_view name) {
        if (territory.size() != name.size())
            return false;
        for (std::size_t i = 0; i < name.size(); ++i)
            if ((territory[i] & ~0x20) != name[i])
                return false;
        return true;
    };

    if (language == "zh")
        return territoryIs("TW") || territoryIs("HK") || territoryIs("MO") ? 950 : 936;
    if (language == "sr")
        return modifier == "latin" ? 1250 : 1251;
    if (language == "uz")
        return modifier == "cyrillic" ? 1251 : 1254;
    for (const LocaleRule &rule : kLocaleRules)
        if (language == rule.language)
            return rule.codePage;
    return kDefaultCodePage;
}

CodePage systemCodePage()
{
    static const CodePage chosen = [] {
        for (const char *variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            const char *value = std::getenv(variable);
            if (value && *value)
                return codePageForLocale(value);
        }
        return kDefaultCodePage;
    }();
    return chosen;
}

void toCodePage(QStringView text, CodePage codePage, std::vector<std::uint16_t> &codes)
{
    const CodePageInfo &info = codePageInfo(codePage);
    codes.reserve(codes.size() + std::size_t(text.size()));
    if (info.doubleByte)
        toDoubleByte(text, info, codes);
    else
        toSingleByte(text, info, codes);
}

struct TextDecoder::State {
    std::optional<QStringDecoder> utf8;
    std::optional<Converter> converter;
    QByteArray pending; // an incomplete character at the end of the previous piece
};

TextDecoder::TextDecoder(const QByteArray &charset)
    : m_state(std::make_unique<State>())
{
    const QByteArray name = charset.trimmed().toLower();
    if (!name.isEmpty() && name != "utf-8" && name != "utf8") {
        m_state->converter.emplace(kUtf16, name.constData());
        if (!m_state->converter->isOpen())
            m_state->converter.reset();
    }
    if (!m_state->converter)
        m_state->utf8.emplace(QStringDecoder::Utf8);
}

TextDecoder::~TextDecoder() = default;

QString TextDecoder::decode(QByteArrayView bytes)
{
    State &s = *m_state;
    if (s.utf8)
        return s.utf8->decode(bytes);

    QByteArray joined;
    if (!s.pending.isEmpty()) {
        joined = std::exchange(s.pending, {});
        joined.append(bytes);
        bytes = joined;
    }
    QString result;
    qsizetype used = 0;
    const char *in = bytes.data();
    std::size_t inLeft = std::size_t(bytes.size());
    while (inLeft > 0) {
        result.resize(used + qsizetype(inLeft) * 2 + 8);
        char *out = reinterpret_cast<char *>(result.data() + used);
        std::size_t outLeft = std::size_t(result.size() - used) * sizeof(char16_t);
        const std::size_t before = outLeft;
        const std::size_t converted = (*s.converter)(&in, &inLeft, &out, &outLeft);
        const int error = errno;
        used += qsizetype((before - outLeft) / sizeof(char16_t));
        if (converted != std::size_t(-1) || error == E2BIG)
            continue;
        if (error == EINVAL) {
            s.pending = QByteArray(in, qsizetype(inLeft));
            break;
        }
        // A byte that starts no character of the charset.
        result.resize(used + 1);
        result[used++] = QChar::ReplacementCharacter;
        ++in;
        --inLeft;
    }
    result.resize(used);
    return result;
}

} // namespace VynMemberComment::Platform
