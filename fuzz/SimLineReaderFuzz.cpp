// The simulator's line reader over any bytes in any blocks: lines are bounded and hold no line ends.
#include "FuzzInput.h"

#include "sim/LineReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const BlockedInput input = ReadBlockedInput(data, size);
    CLineReader reader;
    ForEachBlock(input, [&](std::string_view block) {
        for (const std::string& line : reader.Feed(block)) {
            FuzzCheck(line.size() <= CLineReader::kMaxLineLength, "a line keeps at most its limit");
            FuzzCheck(line.find_first_of("\r\n") == std::string::npos, "a line holds no line end");
        }
    });
    return 0;
}
