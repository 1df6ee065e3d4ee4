#pragma once

#include <string>
#include <string_view>

// The dialogue with a device as the debug output shows it (VANTREX_DEBUG=1, vantrex-status -vvv): each
// line of text on a line of its own, after the link (its address and dialect) and the direction, '>' for
// what was sent and '<' for what came ("127.0.0.1 shell < 2.4.1"), escaped as device text is, so that a
// terminal acts on none of it and the lines of devices read side by side stay apart. Empty lines are
// left out; the result ends in a newline unless it is empty.
std::string DialogueTrace(std::string_view link, char direction, std::string_view text);

// Hands the dialogue of the link to host on port to the debug output, one line of it a line, under the
// address and the port's dialect ("127.0.0.1 telnet").
void DebugDialogueTrace(std::string_view host, unsigned short port, char direction, std::string_view text);
