#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text a device sent, made fit for every output: valid UTF-8 only, and nothing a terminal or a text
// renderer would act on. Control characters (C0, DEL) and bytes that are not UTF-8 become \xHH; C1
// controls and the characters that reorder or hide text (bidirectional controls, zero-width and line
// separators) become \uHHHH. Everything else is kept as it is. Each format then escapes the result
// for its own syntax.
std::string DeviceText(std::string_view text);

// How many of text's first bytes, at most limit, end on a character boundary: a cut there never splits
// a UTF-8 sequence (bytes that are not UTF-8 count as characters of their own).
std::size_t WholeCharacterLength(std::string_view text, std::size_t limit);

// Text from outside (a device, a file, the command line), fit for a message or a log line: its first
// `limit` bytes (not ending within a UTF-8 sequence), escaped as DeviceText does, with "…" when cut.
std::string OutsideText(std::string_view text, std::size_t limit);

// How much of an outside text a message repeats: enough to recognise it.
inline constexpr std::size_t kLongestEcho = 64;
