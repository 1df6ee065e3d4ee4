#pragma once

#include <functional>
#include <string>

// Fetches a window text from the string table by id; an unknown id gives the empty text.
using StringLookup = std::function<std::string(int id)>;
