#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

// Ends the run with a message when a harness's own invariant fails, so that the fuzzer keeps the input.
inline void FuzzCheck(bool holds, const char* invariant) {
    if (!holds) {
        std::fprintf(stderr, "invariant broken: %s\n", invariant);
        std::abort();
    }
}

// An input whose first byte chooses how the rest arrives: its low bit a variant (such as the dialect),
// the other bits one of a few block sizes, from single bytes to the largest block a receive delivers.
// Seed files stay readable that way: one leading byte, then the bytes as a device sends them.
struct BlockedInput {
    bool variant = false;
    std::size_t blockSize = 1;
    std::string_view bytes;
};

inline BlockedInput ReadBlockedInput(const std::uint8_t* data, std::size_t size) {
    static constexpr std::size_t kBlockSizes[] = {1, 2, 3, 7, 64, 512, 4096, 8192};
    if (size == 0) {
        return {};
    }
    const std::uint8_t head = data[0];
    return {(head & 1) != 0, kBlockSizes[(head >> 1) % std::size(kBlockSizes)],
            std::string_view(reinterpret_cast<const char*>(data + 1), size - 1)};
}

// Calls take(block) for every block of input.bytes, in order.
template <typename Take>
void ForEachBlock(const BlockedInput& input, Take take) {
    for (std::size_t at = 0; at < input.bytes.size(); at += input.blockSize) {
        take(input.bytes.substr(at, input.blockSize));
    }
}

// Calls take(line) for every LF-separated line of bytes, without the LF.
template <typename Take>
void ForEachLine(std::string_view bytes, Take take) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        take(bytes.substr(0, end));
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
}

// The input as text, for readers that take a NUL-terminated string: cut at the first NUL as C would.
inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    return bytes.substr(0, bytes.find('\0'));
}
