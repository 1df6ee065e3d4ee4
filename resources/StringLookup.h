#pragma once

#include <functional>
#include <initializer_list>
#include <string>

// Fetches a window text from the string table by id; an unknown id gives the empty text.
using StringLookup = std::function<std::string(int id)>;

// pattern with its markers %1, %2 ... replaced by values in that order; the table's texts mark their
// variable parts so that a translation may reorder them.
std::string FillIn(std::string pattern, std::initializer_list<std::string> values);
