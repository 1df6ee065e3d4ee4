#pragma once

#include <string>

// Mixes NUL bytes and garbage into an answer: a burst before every line. The garbage holds no '#',
// no line break and no telnet IAC byte, so prompts and line structure stay intact.
std::string AddNoise(const std::string& answer);
