#include "StringTable.h"

#include "resource.h"

#include <algorithm>
#include <iterator>

namespace {

struct StringEntry {
    int id;
    const char* text;
};

// Sorted by id; there is no 102.
constexpr StringEntry kStrings[] = {
    {IDS_ABOUTBOX, "&About VANTREX Configuration..."},
    {IDS_SOCKETS_INIT_FAILED, "Windows sockets initialization failed."},
    {IDS_MONTH_JANUARY, "January"},
    {IDS_MONTH_FEBRUARY, "February"},
    {IDS_MONTH_MARCH, "March"},
    {IDS_MONTH_APRIL, "April"},
    {IDS_MONTH_MAY, "May"},
    {IDS_MONTH_JUNE, "June"},
    {IDS_MONTH_JULY, "July"},
    {IDS_MONTH_AUGUST, "August"},
    {IDS_MONTH_SEPTEMBER, "September"},
    {IDS_MONTH_OCTOBER, "October"},
    {IDS_MONTH_NOVEMBER, "November"},
    {IDS_MONTH_DECEMBER, "December"},
    {IDS_STATUS, "Status"},
    {IDS_CONNECTED_PLEASE_WAIT, "Connected - Please Wait"},
    {IDS_GPS_LOCK, "GPS lock"},
    {IDS_TIME_SYNC, "Time sync"},
    {IDS_CLOSE, "Close"},
    {IDS_SEARCHING, "Searching for VANTREX device"},
    {IDS_DISCONNECT, "Disconnect"},
    {IDS_CONNECT_FAILED, "Connection attempt failed"},
    {IDS_ERROR, "Error"},
    {IDS_CONNECTION_LOST, "Connection has been lost"},
    {IDS_CONNECT, "Connect"},
    {IDS_INVALID_IP_ADDRESS, "IP address is not valid"},
    {IDS_INVALID_SUBNET_MASK, "Subnet mask is not valid"},
    {IDS_REBOOT_WARNING,
     "The unit will now reboot.\nPlease allow 2 minutes for this.\nDo you wish to continue?"},
    {IDS_CONFIRM, "Confirm"},
    {IDS_WINDOW_TITLE, "VANTREX Configuration"},
    {IDS_CHANGE_IP_ADDRESS, "Change IP address"},
    {IDS_IP_ADDRESS, "IP address"},
    {IDS_SUBNET_MASK, "Subnet mask"},
    {IDS_APPLY, "Apply"},
    {IDS_GATEWAY, "Gateway"},
    {IDS_INVALID_GATEWAY, "Gateway is not valid"},
    {IDS_MAC_NOT_ASSIGNED, "MAC address not assigned"},
    {IDS_MAC_ADDRESS, "MAC Address"},
    {IDS_CANCEL, "Cancel"},
    {IDS_WARN_UNREACHABLE, "No network of this PC holds %1.\nAfter the restart this PC cannot reach the "
                           "device there\nuntil it is moved to the network %2."},
    {IDS_WARN_GATEWAY_OUTSIDE, "The gateway %1 lies outside the new network %2."},
    {IDS_RESTARTING_AT, "Restarting at %1 - %2"},
    {IDS_NO_ANSWER_AT, "The device did not answer at %1 within 2 minutes."},
    {IDS_DEVICE_NOW_AT, "Device now at %1"},
    {IDS_DEVICE_NOW_DHCP, "Device now uses DHCP"},
    {IDS_FIRMWARE_VERSION, "Version %1"},
    {IDS_NO_RESTART, "The device did not restart; the change may not have been taken"},
    {IDS_NO_PROBLEMS, "No problems found"},
    {IDS_ALARM_CONNECTION_LOST, "Connection lost"},
    {IDS_ALARM_CONNECTION_LOST_BODY, "The device stopped answering or closed the connection."},
    {IDS_ALARM_CONNECTION_RESTORED, "Connection restored"},
    {IDS_ALARM_CONNECTION_RESTORED_BODY, "The window is connected to the device again."},
    {IDS_ALARM_GPS_LOST, "GPS lock lost"},
    {IDS_ALARM_GPS_LOST_BODY, "The device's receiver reports no GPS lock."},
    {IDS_ALARM_GPS_REGAINED, "GPS lock regained"},
    {IDS_ALARM_GPS_REGAINED_BODY, "The device's receiver reports GPS lock again."},
    {IDS_ALARM_SYNC_LOST, "Time sync lost"},
    {IDS_ALARM_SYNC_LOST_BODY, "The device's time daemon has no system peer."},
    {IDS_ALARM_SYNC_REGAINED, "Time sync regained"},
    {IDS_ALARM_SYNC_REGAINED_BODY, "The device's time daemon has a system peer again."},
    {IDS_ALARM_PROBLEM_FOUND, "New problem (%1)"},
    {IDS_ALARM_PROBLEM_CLEARED, "Problem cleared"},
    {IDS_ALARM_CHANGES, "%1 (%2 changes in the last minute)"},
    {IDS_ALARM_DEVICE, "%1: %2"},
    {IDS_NOTIFY_PROBLEMS, "Notify me of problems"},
    {IDS_LEAP_INSERTED, "Leap second: 23:59:60 UTC on %1"},
    {IDS_LEAP_DELETED, "Leap second: no 23:59:59 UTC on %1"},
    {IDS_FIND_DEVICES, "Find devices\u2026"},
    {IDS_FIND_SEARCH, "Search"},
    {IDS_FIND_STOP, "Stop"},
    {IDS_FIND_NOT_A_NETWORK, "That is not a network. Type one as A.B.C.D/N, for example 192.168.1.0/24."},
    {IDS_FIND_NETWORK_TOO_WIDE,
     "%1 is larger than a /22: a search covers 1024 addresses at most. Type a smaller network, for example "
     "192.168.1.0/24."},
    {IDS_FIND_NOT_STARTED, "This PC could not start the search."},
    {IDS_FIND_UNTRIED, "This PC could not try %1 of the addresses (no socket or no route)."},
    {IDS_FIND_COLUMN_ADDRESS, "Address"},
    {IDS_FIND_COLUMN_FIRMWARE, "Firmware"},
    {IDS_FIND_COLUMN_PORTS, "Ports"},
    {IDS_FIND_PROGRESS, "Addresses tried"},
    {IDS_FIND_FOUND_LIST, "Devices found"},
    {IDS_LOG_CONNECTED, "Connected to %1 (%2)"},
    {IDS_LOG_DISCONNECTED, "Disconnected"},
    {IDS_LOG_FIRMWARE_SEEN, "Firmware version %1"},
    {IDS_LOG_FIRMWARE_CHANGED, "Firmware version changed from %1 to %2"},
    {IDS_LOG_PROBLEM_FOUND, "Problem (%1): %2"},
    {IDS_LOG_PROBLEM_CLEARED, "Problem cleared: %1"},
    {IDS_LOG_CHANGE_ASKED, "Address change asked from %1 to %2, subnet mask %3, gateway %4"},
    {IDS_LOG_CHANGE_ASKED_DHCP, "Address change asked from %1 to DHCP"},
    {IDS_LOG_CHANGE_SENT, "Address change sent to the device at %1"},
    {IDS_LOG_JOURNAL_UNWRITABLE, "The device log cannot be kept on disk: %1"},
    {IDS_LOG_MENU_ITEM, "Device &log\u2026"},
    {IDS_LOG_SPAN_10_MINUTES, "10 minutes"},
    {IDS_LOG_SPAN_1_HOUR, "1 hour"},
    {IDS_LOG_SPAN_24_HOURS, "24 hours"},
    {IDS_LOG_FILTER_ALL, "All events"},
    {IDS_LOG_FILTER_WARNINGS, "Warnings and critical"},
    {IDS_LOG_FILTER_CRITICAL, "Critical only"},
    {IDS_LOG_COLUMN_UTC, "UTC time"},
    {IDS_LOG_COLUMN_LOCAL, "Local time"},
    {IDS_LOG_COLUMN_EVENT, "Event"},
    {IDS_LOG_COLUMN_DETAILS, "Details"},
    {IDS_LOG_EARLIER, "earlier"},
    {IDS_LOG_SAVE_FAILED, "The events could not be saved: %1"},
    {IDS_LOG_SAVE_CAPTION, "Save the events as CSV"},
    {IDS_LOG_NAME_SPAN, "Time span of the chart"},
    {IDS_LOG_NAME_CHART, "Offset of the device clock"},
    {IDS_LOG_NAME_FILTER, "Severity of the events shown"},
    {IDS_LOG_NAME_EVENTS, "Events, newest first"},
    {IDS_LOG_NAME_WARNING, "Warning of the device log"},
};

static_assert(std::size(kStrings) == 108);
static_assert(std::ranges::is_sorted(kStrings, {}, &StringEntry::id));

} // namespace

const char* LoadStringResource(int id) {
    const auto* entry = std::ranges::lower_bound(kStrings, id, {}, &StringEntry::id);
    return entry != std::end(kStrings) && entry->id == id ? entry->text : "";
}
