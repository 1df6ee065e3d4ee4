#include "DialogTemplates.h"

#include "WindowStyles.h"
#include "resource.h"

namespace {

constexpr int kDefaultCharset = 1;

constexpr std::uint32_t kVisibleChild = kWsChild | kWsVisible;
constexpr std::uint32_t kGroupBox = kVisibleChild | kBsGroupBox;
constexpr std::uint32_t kAddressEdit = kVisibleChild | kWsBorder | kEsAutoHScroll | kWsTabStop;
constexpr std::uint32_t kPushButton = kVisibleChild | kBsPushButton | kWsTabStop;
constexpr std::uint32_t kLineText = kVisibleChild | kSsLeft | kSsCenterImage | kWsGroup;
constexpr std::uint32_t kBitmap = kVisibleChild | kSsBitmap;
constexpr std::uint32_t kAddressDropDown =
    kVisibleChild | kCbsDropDown | kCbsAutoHScroll | kWsVScroll | kWsTabStop;
constexpr std::uint32_t kFoundList =
    kVisibleChild | kWsBorder | kLvsReport | kLvsSingleSel | kLvsShowSelAlways | kWsTabStop;

constexpr DialogControlTemplate kAboutControls[] = {
    {kIdStatic, ControlClass::Static, "", IDR_MAINFRAME, kVisibleChild | kSsIcon, {11, 17, 20, 20}},
    {kIdStatic,
     ControlClass::Static,
     "VANTREX Configuration Version " VANTREX_ABOUT_VERSION,
     0,
     kVisibleChild | kSsLeft | kSsNoPrefix | kWsGroup,
     {40, 10, 166, 8}},
    {kIdStatic,
     ControlClass::Static,
     "Copyright (C) 2026",
     0,
     kVisibleChild | kSsLeft | kWsGroup,
     {40, 25, 119, 8}},
    {kIdOk,
     ControlClass::Button,
     "OK",
     0,
     kVisibleChild | kBsDefPushButton | kWsTabStop | kWsGroup,
     {225, 7, 50, 14}},
};

constexpr DialogControlTemplate kConfigControls[] = {
    {IDC_CONNECT_GROUP, ControlClass::Button, "Connect", 0, kGroupBox, {7, 7, 182, 41}},
    {IDC_DEVICE_ADDRESS, ControlClass::ComboBox, "", 0, kAddressDropDown, {17, 23, 104, 14}},
    {IDC_CONNECT,
     ControlClass::Button,
     "Connect",
     0,
     kVisibleChild | kBsAutoCheckBox | kBsPushLike | kWsTabStop,
     {134, 23, 49, 10}},
    {IDC_LOGO, ControlClass::Static, "", IDB_LOGO, kBitmap, {246, 7, 54, 49}},
    {IDC_STATUS_GROUP, ControlClass::Button, "Status", 0, kGroupBox, {7, 54, 292, 77}},
    {IDC_STATUS_FRAME, ControlClass::Static, "", 0, kVisibleChild | kSsWhiteRect, {17, 67, 245, 8}},
    {IDC_STATUS_LINE, ControlClass::Static, "Static", 0, kLineText, {71, 68, 202, 18}},
    {IDC_GPS_LAMP, ControlClass::Static, "", IDB_LAMP_GREY, kBitmap, {79, 97, 16, 15}},
    {IDC_GPS_CAPTION, ControlClass::Static, "Static", 0, kLineText, {110, 96, 102, 12}},
    {IDC_TIME_SYNC_LAMP, ControlClass::Static, "", IDB_LAMP_GREY, kBitmap, {80, 113, 16, 15}},
    {IDC_TIME_SYNC_CAPTION, ControlClass::Static, "Static", 0, kLineText, {117, 113, 102, 12}},
    {IDC_CHANGE_IP_GROUP, ControlClass::Button, "Change IP Address", 0, kGroupBox, {7, 142, 292, 114}},
    {IDC_DHCP,
     ControlClass::Button,
     "DHCP",
     0,
     kVisibleChild | kBsAutoCheckBox | kWsTabStop,
     {31, 161, 36, 10}},
    {IDC_NEW_IP_ADDRESS, ControlClass::Edit, "", 0, kAddressEdit, {28, 186, 83, 14}},
    {IDC_IP_ADDRESS_LABEL, ControlClass::Static, "IP Address", 0, kLineText, {112, 191, 53, 8}},
    {IDC_NEW_SUBNET_MASK, ControlClass::Edit, "", 0, kAddressEdit, {28, 206, 83, 14}},
    {IDC_SUBNET_MASK_LABEL, ControlClass::Static, "Subnet Mask", 0, kLineText, {110, 208, 54, 8}},
    {IDC_NEW_GATEWAY, ControlClass::Edit, "", 0, kAddressEdit, {29, 226, 83, 14}},
    {IDC_GATEWAY_LABEL, ControlClass::Static, "Gateway", 0, kLineText, {119, 230, 54, 8}},
    {IDC_APPLY, ControlClass::Button, "Apply", 0, kPushButton, {197, 164, 69, 51}},
    {IDC_QUIT, ControlClass::Button, "Quit", 0, kPushButton, {243, 280, 56, 39}},
    {IDC_MAC_GROUP,
     ControlClass::Button,
     "Change MAC Address",
     0,
     kGroupBox & ~kWsVisible,
     {13, 263, 215, 56}},
    {IDC_MAC_ADDRESS,
     ControlClass::Edit,
     "",
     0,
     (kAddressEdit | kEsReadOnly | kEsRight) & ~kWsVisible,
     {19, 286, 66, 14}},
    {IDC_NEW_MAC_ADDRESS, ControlClass::Edit, "", 0, kAddressEdit & ~kWsVisible, {99, 287, 66, 14}},
    {IDC_MAC_APPLY, ControlClass::Button, "Apply", 0, kPushButton & ~kWsVisible, {173, 283, 45, 22}},
    {IDC_VERSION_LINE,
     ControlClass::Static,
     "Static",
     0,
     kVisibleChild | kSsRight | kSsCenterImage | kWsGroup,
     {13, 108, 85, 18}},
    {IDC_LOCAL_TIME_LINE, ControlClass::Static, "Static", 0, kLineText, {74, 86, 202, 18}},
    {IDC_LEAP_LINE,
     ControlClass::Static,
     "",
     0,
     kVisibleChild | kSsRight | kSsCenterImage,
     {13, 122, 85, 18}},
};

constexpr DialogControlTemplate kFindControls[] = {
    {IDC_FIND_NETWORK_LABEL, ControlClass::Static, "&Network:", 0, kLineText, {7, 9, 36, 8}},
    {IDC_FIND_NETWORK, ControlClass::Edit, "", 0, kAddressEdit, {45, 7, 148, 14}},
    {IDC_FIND_SEARCH, ControlClass::Button, "Search", 0, kPushButton, {199, 7, 54, 14}},
    {IDC_FIND_PROGRESS, ControlClass::ProgressBar, "", 0, kVisibleChild | kWsBorder, {7, 27, 246, 10}},
    {IDC_FIND_LIST, ControlClass::ListView, "", 0, kFoundList, {7, 42, 246, 118}},
    {IDC_FIND_CONNECT, ControlClass::Button, "Connect", 0, kPushButton, {139, 167, 54, 14}},
    {kIdCancel, ControlClass::Button, "Close", 0, kPushButton, {199, 167, 54, 14}},
};

constexpr std::uint32_t kDropDownList = kVisibleChild | kCbsDropDownList | kWsVScroll | kWsTabStop;

// The chart above, the events below; a drop-down list's height includes its open list.
constexpr DialogControlTemplate kDeviceLogControls[] = {
    {IDC_LOG_SPAN, ControlClass::ComboBox, "", 0, kDropDownList, {7, 7, 70, 60}},
    // Three lines, wrapped at words: a journal's path and the system's reason can be long.
    {IDC_LOG_WARNING,
     ControlClass::Static,
     "",
     0,
     kVisibleChild | kSsLeft | kSsNoPrefix | kWsGroup,
     {85, 4, 328, 24}},
    {IDC_LOG_CHART, ControlClass::Chart, "", 0, kVisibleChild | kWsBorder, {7, 30, 406, 124}},
    {IDC_LOG_FILTER, ControlClass::ComboBox, "", 0, kDropDownList, {7, 160, 100, 60}},
    {IDC_LOG_EVENTS,
     ControlClass::ListView,
     "",
     0,
     kVisibleChild | kWsBorder | kWsTabStop | kLvsReport | kLvsShowSelAlways,
     {7, 177, 406, 100}},
    {IDC_LOG_SAVE, ControlClass::Button, "Save as CSV...", 0, kPushButton, {7, 283, 70, 14}},
    {IDC_LOG_COPY, ControlClass::Button, "Copy", 0, kPushButton, {83, 283, 50, 14}},
    {IDC_LOG_CLOSE, ControlClass::Button, "Close", 0, kPushButton, {363, 283, 50, 14}},
};

// The exchanges above the selected answer, the peer table below them, the two NTP views of the device's
// time side by side under it.
constexpr std::uint32_t kExchangeList =
    kVisibleChild | kWsBorder | kWsTabStop | kLvsReport | kLvsSingleSel | kLvsShowSelAlways;
constexpr DialogControlTemplate kDeviceAnswersControls[] = {
    {IDC_ANSWERS_EXCHANGES_LABEL,
     ControlClass::Static,
     "&Exchanges, newest first:",
     0,
     kLineText,
     {7, 4, 200, 10}},
    {IDC_ANSWERS_EXCHANGES, ControlClass::ListView, "", 0, kExchangeList, {7, 15, 466, 100}},
    {IDC_ANSWERS_ANSWER_LABEL, ControlClass::Static, "A&nswer as received:", 0, kLineText, {7, 119, 200, 10}},
    {IDC_ANSWERS_ANSWER,
     ControlClass::Edit,
     "",
     0,
     kVisibleChild | kWsBorder | kWsTabStop | kWsVScroll | kEsMultiline | kEsReadOnly,
     {7, 130, 466, 64}},
    {IDC_ANSWERS_PEERS_LABEL,
     ControlClass::Static,
     "&Peers of the device's NTP daemon:",
     0,
     kLineText,
     {7, 198, 200, 10}},
    {IDC_ANSWERS_PEERS,
     ControlClass::ListView,
     "",
     0,
     kVisibleChild | kWsBorder | kWsTabStop | kLvsReport | kLvsShowSelAlways,
     {7, 209, 466, 64}},
    {IDC_ANSWERS_NTP_WINDOW,
     ControlClass::Static,
     "",
     0,
     kVisibleChild | kSsLeft | kSsNoPrefix | kWsGroup,
     {7, 278, 228, 26}},
    {IDC_ANSWERS_NTP_DEVICE,
     ControlClass::Static,
     "",
     0,
     kVisibleChild | kSsLeft | kSsNoPrefix | kWsGroup,
     {245, 278, 228, 26}},
    {IDC_ANSWERS_COPY, ControlClass::Button, "Copy all", 0, kPushButton, {7, 309, 50, 14}},
    {IDC_ANSWERS_CLOSE, ControlClass::Button, "Close", 0, kPushButton, {423, 309, 50, 14}},
};

constexpr DialogTemplate kTemplates[] = {
    {IDD_ABOUTBOX,
     false,
     kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame | kDsSetFont,
     0,
     {0, 0, 282, 54},
     "About VANTREX Configuration",
     "MS Sans Serif",
     8,
     0,
     false,
     kDefaultCharset,
     kAboutControls},
    {IDD_CONFIG_DIALOG,
     true,
     kWsPopup | kWsVisible | kWsCaption | kWsSysMenu | kDsModalFrame | kDsSetFont,
     kWsExAppWindow,
     {0, 0, 306, 326},
     "VANTREX Configuration",
     "MS Sans Serif",
     8,
     0,
     false,
     kDefaultCharset,
     kConfigControls},
    {IDD_FIND_DIALOG,
     false,
     kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame | kDsSetFont,
     0,
     {0, 0, 260, 188},
     "Find devices",
     "MS Sans Serif",
     8,
     0,
     false,
     kDefaultCharset,
     kFindControls},
    {IDD_DEVICE_LOG,
     true,
     kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame | kDsSetFont,
     0,
     {0, 0, 420, 304},
     "Device log",
     "MS Sans Serif",
     8,
     0,
     false,
     kDefaultCharset,
     kDeviceLogControls},
    {IDD_DEVICE_ANSWERS,
     true,
     kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame | kDsSetFont,
     0,
     {0, 0, 480, 330},
     "Device's answers",
     "MS Sans Serif",
     8,
     0,
     false,
     kDefaultCharset,
     kDeviceAnswersControls},
};

} // namespace

const DialogTemplate* FindDialogTemplate(int id) {
    for (const DialogTemplate& dialog : kTemplates) {
        if (dialog.id == id) {
            return &dialog;
        }
    }
    return nullptr;
}
