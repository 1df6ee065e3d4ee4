#include "DeviceOrder.h"

#include <algorithm>
#include <cctype>
#include <variant>

namespace {

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool ContainsIgnoringCase(const std::string& text, const std::string& part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(),
                       [](char a, char b) { return Lower(a) == Lower(b); }) != text.end();
}

// From the best state to the worst; unreachable counts as critical does, a step before it.
int Rank(DeviceState state) {
    switch (state) {
    case DeviceState::Ok:
        return 0;
    case DeviceState::NotRead:
        return 1;
    case DeviceState::Reading:
        return 2;
    case DeviceState::Warning:
        return 3;
    case DeviceState::Unreachable:
        return 4;
    case DeviceState::Critical:
        return 5;
    }
    return 0;
}

std::optional<double> NtpOffset(const DeviceEntry& entry) {
    if (entry.record && entry.record->ntp && entry.record->ntp->answered) {
        return entry.record->ntp->offsetSeconds;
    }
    return std::nullopt;
}

// What a column sorts by: a number, or the words when it has none; nothing (monostate) is unknown.
using SortKey = std::variant<std::monostate, double, std::string>;

SortKey Words(const std::string& text) {
    if (text.empty()) {
        return std::monostate{};
    }
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), Lower);
    return lower;
}

SortKey Number(const std::optional<double>& value) {
    return value ? SortKey(*value) : SortKey(std::monostate{});
}

template <typename Integer>
std::optional<double> AsDouble(const std::optional<Integer>& value) {
    return value ? std::optional<double>(static_cast<double>(*value)) : std::nullopt;
}

SortKey KeyOf(const DeviceEntry& entry, const DeviceRow& row, DeviceColumn column) {
    switch (column) {
    case DeviceColumn::Address:
        return static_cast<double>(entry.addressValue);
    case DeviceColumn::State:
        return static_cast<double>(Rank(row.state));
    case DeviceColumn::ClockOffset:
        return Number(entry.record ? entry.record->offsetSeconds : std::nullopt);
    case DeviceColumn::NtpOffset:
        return Number(NtpOffset(entry));
    case DeviceColumn::LastEventWhen:
        return Number(AsDouble(entry.lastEventUtcMicros));
    case DeviceColumn::Age: {
        // The youngest reading first.
        const std::optional<double> readAt = AsDouble(entry.readUtcMicros);
        return Number(readAt ? std::optional<double>(-*readAt) : std::nullopt);
    }
    case DeviceColumn::Name:
    case DeviceColumn::GpsLock:
    case DeviceColumn::TimeSync:
    case DeviceColumn::Firmware:
    case DeviceColumn::LastEvent:
        break;
    }
    return Words(row.Cell(column));
}

} // namespace

bool PassesFilter(const DeviceRow& row, const DeviceFilter& filter) {
    if (filter.text.empty()) {
        return true;
    }
    if (filter.column) {
        return ContainsIgnoringCase(row.Cell(*filter.column), filter.text);
    }
    return std::any_of(row.cells.begin(), row.cells.end(), [&filter](const std::string& cell) {
        return ContainsIgnoringCase(cell, filter.text);
    });
}

std::vector<std::size_t> OrderedRows(const std::vector<DeviceEntry>& entries,
                                     const std::vector<DeviceRow>& rows, const DeviceSort& sort,
                                     const DeviceFilter& filter) {
    std::vector<std::size_t> shown;
    std::vector<SortKey> keys(entries.size());
    for (std::size_t index = 0; index < entries.size(); ++index) {
        if (PassesFilter(rows[index], filter)) {
            shown.push_back(index);
            keys[index] = KeyOf(entries[index], rows[index], sort.column);
        }
    }
    std::stable_sort(shown.begin(), shown.end(), [&](std::size_t a, std::size_t b) {
        const SortKey& keyA = keys[a];
        const SortKey& keyB = keys[b];
        const bool unknownA = std::holds_alternative<std::monostate>(keyA);
        const bool unknownB = std::holds_alternative<std::monostate>(keyB);
        if (unknownA || unknownB) {
            return !unknownA && unknownB
                       ? true
                       : (unknownA == unknownB && entries[a].addressValue < entries[b].addressValue);
        }
        if (keyA != keyB) {
            return sort.ascending ? keyA < keyB : keyB < keyA;
        }
        return entries[a].addressValue < entries[b].addressValue;
    });
    return shown;
}
