#include "replycompression.h"

#include <brotli/encode.h>

#include <cstdint>
#include <memory>

namespace MemberCommentServer {

namespace {

// Quality 1 of 11: the library's own choice, 11, took 22 s for the 24 MB reply.
constexpr int kQuality = 1;

} // namespace

std::optional<std::string> brotliCompressed(std::string_view text)
{
    size_t size = BrotliEncoderMaxCompressedSize(text.size());
    if (size == 0)
        return std::nullopt;
    // Not zero-filled: only the pages the encoder writes are ever touched.
    const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[size]);
    if (!BrotliEncoderCompress(kQuality, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_TEXT, text.size(),
                               reinterpret_cast<const std::uint8_t *>(text.data()), &size, buffer.get()))
        return std::nullopt;
    return std::string(reinterpret_cast<const char *>(buffer.get()), size);
}

} // namespace MemberCommentServer
