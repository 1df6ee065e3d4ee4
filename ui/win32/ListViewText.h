#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// The texts of a report-style list view, in UTF-8.

// Adds a column titled title at index.
void InsertListColumn(HWND list, int index, const std::string& title);
// Adds a row at index with cells, left to right.
void InsertListRow(HWND list, int index, const std::vector<const std::string*>& cells);
// Makes each of the first columns as wide as its widest text or its title, whichever is wider: a scroll
// bar rather than clipped texts, and a title never hidden by a column of short cells (the title width
// stretches the last column to the list's edge).
void FitListColumns(HWND list, std::size_t columns);
