// Pieces compressed apart join into one gzip member that zlib reads as the whole text.
#include "exporter/GzipPieces.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace {

std::string Gunzip(const std::string& member) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, 16 + MAX_WBITS), Z_OK); // a gzip header and trailer, checked
    std::string text(1 << 20, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(member.data()));
    stream.avail_in = static_cast<uInt>(member.size());
    stream.next_out = reinterpret_cast<Bytef*>(text.data());
    stream.avail_out = static_cast<uInt>(text.size());
    const int result = inflate(&stream, Z_FINISH);
    text.resize(stream.total_out);
    (void)inflateEnd(&stream);
    return result == Z_STREAM_END ? text : "inflate failed: " + std::to_string(result);
}

TEST(GzipPiecesTest, PiecesMadeApartReadAsOneText) {
    std::string fleet;
    for (int device = 0; device < 2000; ++device) {
        fleet += "vantrex_up{address=\"127.0.0." + std::to_string(device % 256) + "\"} 1\n";
    }
    const std::string own = "vantrex_exporter_probes_total 3\n";
    for (const std::string& first : {own, std::string()}) {
        const DeflatedPiece head = Deflate(first, false);
        const DeflatedPiece tail = Deflate(fleet, true);
        const std::string member = GzipHeader() + head.bytes + tail.bytes + GzipTrailer({&head, &tail});
        EXPECT_EQ(Gunzip(member), first + fleet);
        EXPECT_LT(member.size(), fleet.size() / 4);
    }
}

} // namespace
