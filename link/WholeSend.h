#pragma once

#include <functional>
#include <string_view>

// Offers the socket the bytes not yet sent; returns how many it took, or a negative number when it took
// none (the reason is the socket's last error).
using SendSomeBytes = std::function<int(std::string_view rest)>;
// Waits until the socket may take more bytes; false on stop, time-out or an error that no wait mends.
using AwaitWritableSocket = std::function<bool()>;

// Sends every byte of data, in order, waiting for the socket whenever it takes none. True only when all
// of data was taken; a socket that keeps taking nothing after saying it is writable counts as failed.
bool SendWhole(std::string_view data, const SendSomeBytes& sendSome,
               const AwaitWritableSocket& awaitWritable);
