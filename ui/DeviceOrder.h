#pragma once

#include "DeviceRow.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How the table is sorted: by one column, up or down. Ties keep the address order.
struct DeviceSort {
    DeviceColumn column = DeviceColumn::Address;
    bool ascending = true;
};

// What the table shows: rows whose column (every column when none) holds text, without regard to case.
struct DeviceFilter {
    std::string text;
    std::optional<DeviceColumn> column;
};

// Whether row passes filter.
bool PassesFilter(const DeviceRow& row, const DeviceFilter& filter);

// The indexes into entries of the rows the table shows, top to bottom: those whose rows pass filter, in
// the order of sort (numbers by value, addresses by number, states by how bad, texts without regard to
// case, the unknown last either way).
std::vector<std::size_t> OrderedRows(const std::vector<DeviceEntry>& entries,
                                     const std::vector<DeviceRow>& rows, const DeviceSort& sort,
                                     const DeviceFilter& filter);
