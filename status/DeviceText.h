#pragma once

#include <string>
#include <string_view>

// Text a device sent, made fit for every output: valid UTF-8 only, and nothing a terminal or a text
// renderer would act on. Control characters (C0, DEL) and bytes that are not UTF-8 become \xHH; C1
// controls and the characters that reorder or hide text (bidirectional controls, zero-width and line
// separators) become \uHHHH. Everything else is kept as it is. Each format then escapes the result
// for its own syntax.
std::string DeviceText(std::string_view text);
