// Arbitrary bytes as the body of a save request, in CP1252 or CP936 as the first byte chooses:
// the reference server's form decoder and strict batch parser take anything without a crash, and
// the parser reads the raw bytes as SQL too. What it accepts keeps the rules it stands for.
#include "batchparser.h"
#include "formdecoding.h"

#include <cstdint>
#include <cstdlib>

using namespace MemberCommentServer;

namespace {

void parse(std::string_view sql)
{
    const BatchParse result = parseBatch(sql);
    if (!result.error.empty())
        return;
    std::int64_t offset = 0;
    for (const CommentStatement &statement : result.batch.statements)
        if (const auto *added = std::get_if<NewComment>(&statement); added && added->offset != ++offset)
            std::abort();
    if (result.batch.statements.empty())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    static const CodePageConverter cp1252 = *CodePageConverter::open("CP1252");
    static const CodePageConverter cp936 = *CodePageConverter::open("CP936");
    const std::string_view body(reinterpret_cast<const char *>(data) + 1, size - 1);
    if (const std::optional<FormFields> fields = decodeForm(body, data[0] % 2 ? cp936 : cp1252))
        for (const auto &[name, value] : *fields)
            if (name == "SQL")
                parse(value);
    parse(body);
    return 0;
}
