#include "WholeSend.h"

#include <algorithm>
#include <cstddef>

namespace {

// Waits in a row after which a socket that says it is writable but takes nothing is given up.
constexpr int kMaxFruitlessWaits = 3;

} // namespace

bool SendWhole(std::string_view data, const SendSomeBytes& sendSome,
               const AwaitWritableSocket& awaitWritable) {
    int fruitlessWaits = 0;
    while (!data.empty()) {
        const int taken = sendSome(data);
        if (taken > 0) {
            data.remove_prefix(std::min(static_cast<std::size_t>(taken), data.size()));
            fruitlessWaits = 0;
            continue;
        }
        // A send that takes nothing without failing would never end the loop by itself.
        if (taken == 0 || fruitlessWaits == kMaxFruitlessWaits || !awaitWritable()) {
            return false;
        }
        ++fruitlessWaits;
    }
    return true;
}
