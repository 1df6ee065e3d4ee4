#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A text compressed as one piece of a gzip member's deflate stream. Pieces compressed apart, at
// different times, join into one member, so that a page kept compressed is not compressed again for
// each answer it goes into.
struct DeflatedPiece {
    std::string bytes;        // raw deflate data
    std::uint32_t crc = 0;    // CRC-32 of the text
    std::uint64_t length = 0; // of the text
};

// Compresses text. The last piece of a member ends the deflate stream; any other ends on a byte boundary
// with the stream open (a sync flush), so that the next piece's blocks may follow it.
DeflatedPiece Deflate(std::string_view text, bool last);

// The 10 bytes that open a gzip member.
std::string GzipHeader();
// The 8 bytes that close the member made of pieces, in their order: the text's CRC-32 and length.
std::string GzipTrailer(const std::vector<const DeflatedPiece*>& pieces);
