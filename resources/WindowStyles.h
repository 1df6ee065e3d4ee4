#pragma once

#include <cstdint>

// Style bits of dialog templates and their controls, with the values the templates were written in.
// Prefixed names, because a Windows build also sees the system's own macros of the same meaning.

// Window styles
inline constexpr std::uint32_t kWsPopup = 0x80000000;
inline constexpr std::uint32_t kWsChild = 0x40000000;
inline constexpr std::uint32_t kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsDisabled = 0x08000000;
inline constexpr std::uint32_t kWsCaption = 0x00C00000;
inline constexpr std::uint32_t kWsBorder = 0x00800000;
inline constexpr std::uint32_t kWsSysMenu = 0x00080000;
inline constexpr std::uint32_t kWsThickFrame = 0x00040000;
inline constexpr std::uint32_t kWsGroup = 0x00020000;
inline constexpr std::uint32_t kWsTabStop = 0x00010000;
inline constexpr std::uint32_t kWsVScroll = 0x00200000;
inline constexpr std::uint32_t kWsExAppWindow = 0x00040000;

// Dialog styles
inline constexpr std::uint32_t kDsModalFrame = 0x80;
inline constexpr std::uint32_t kDsSetFont = 0x40;

// Button styles: the low four bits are the button's kind
inline constexpr std::uint32_t kBsTypeMask = 0xF;
inline constexpr std::uint32_t kBsPushButton = 0x0;
inline constexpr std::uint32_t kBsDefPushButton = 0x1;
inline constexpr std::uint32_t kBsAutoCheckBox = 0x3;
inline constexpr std::uint32_t kBsGroupBox = 0x7;
inline constexpr std::uint32_t kBsPushLike = 0x1000;

// Edit styles
inline constexpr std::uint32_t kEsRight = 0x2;
inline constexpr std::uint32_t kEsMultiline = 0x4;
inline constexpr std::uint32_t kEsAutoHScroll = 0x80;
inline constexpr std::uint32_t kEsReadOnly = 0x800;

// Static styles: the low five bits are the static's kind
inline constexpr std::uint32_t kSsTypeMask = 0x1F;
inline constexpr std::uint32_t kSsLeft = 0x0;
inline constexpr std::uint32_t kSsCenter = 0x1;
inline constexpr std::uint32_t kSsRight = 0x2;
inline constexpr std::uint32_t kSsIcon = 0x3;
inline constexpr std::uint32_t kSsWhiteRect = 0x6;
inline constexpr std::uint32_t kSsBitmap = 0xE;
inline constexpr std::uint32_t kSsNoPrefix = 0x80;
inline constexpr std::uint32_t kSsCenterImage = 0x200;

// Combo box styles: the low two bits are the combo box's kind
inline constexpr std::uint32_t kCbsTypeMask = 0x3;
inline constexpr std::uint32_t kCbsDropDown = 0x2;
inline constexpr std::uint32_t kCbsDropDownList = 0x3;
inline constexpr std::uint32_t kCbsAutoHScroll = 0x40;

// List view styles
inline constexpr std::uint32_t kLvsReport = 0x1;
inline constexpr std::uint32_t kLvsSingleSel = 0x4;
inline constexpr std::uint32_t kLvsShowSelAlways = 0x8;
