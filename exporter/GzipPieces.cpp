#include "GzipPieces.h"

#include <zlib.h>

#include <stdexcept>

namespace {

// Raw deflate, without zlib's own header: the gzip member's header and trailer are written here.
constexpr int kRawDeflate = -15;
constexpr int kMemoryLevel = 8;

void AppendLittleEndian(std::string& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes += static_cast<char>((value >> shift) & 0xFFu);
    }
}

} // namespace

DeflatedPiece Deflate(std::string_view text, bool last) {
    DeflatedPiece piece;
    piece.length = text.size();
    piece.crc = static_cast<std::uint32_t>(
        crc32_z(crc32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(text.data()), text.size()));
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kRawDeflate, kMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("no memory for compression");
    }
    piece.bytes.resize(deflateBound(&stream, static_cast<uLong>(text.size())) + 16);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(piece.bytes.data());
    stream.avail_out = static_cast<uInt>(piece.bytes.size());
    const int result = deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH);
    piece.bytes.resize(piece.bytes.size() - stream.avail_out);
    (void)deflateEnd(&stream); // the outcome is the deflate's, checked below
    if (result != (last ? Z_STREAM_END : Z_OK)) {
        throw std::runtime_error("compression failed");
    }
    return piece;
}

std::string GzipHeader() {
    // Magic, deflate, no flags, no time, no extra flags, an unknown system: the same bytes every time.
    return std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff", 10);
}

std::string GzipTrailer(const std::vector<const DeflatedPiece*>& pieces) {
    std::uint32_t crc = 0;
    std::uint64_t length = 0;
    for (const DeflatedPiece* piece : pieces) {
        crc = static_cast<std::uint32_t>(crc32_combine(crc, piece->crc, static_cast<z_off_t>(piece->length)));
        length += piece->length;
    }
    std::string trailer;
    AppendLittleEndian(trailer, crc);
    AppendLittleEndian(trailer, static_cast<std::uint32_t>(length)); // the length modulo 2^32
    return trailer;
}
