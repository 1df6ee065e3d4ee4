#pragma once

#include "resources/DialogUnits.h"

#include <cstdint>
#include <vector>

// Colours of the status text control, as 0xRRGGBB.
inline constexpr std::uint32_t kStatusBlack = 0x000000;
inline constexpr std::uint32_t kStatusGrey = 0x808080;
inline constexpr std::uint32_t kStatusWhite = 0xFFFFFF;

// Width of the optional frame, in pixels.
inline constexpr int kStatusFrameWidth = 2;

// What the control paints from: its client size, the measured text and its settings.
struct StatusTextPaintInput {
    int width;
    int height;
    int textWidth; // 0 for an empty text
    int textHeight;
    bool border;
    bool active;
    bool centred; // SS_CENTER
};

// One rectangle filled with one colour. Bands may come out empty or negative; those paint nothing.
struct StatusTextFill {
    PixelRect rect;
    std::uint32_t colour;

    friend bool operator==(const StatusTextFill&, const StatusTextFill&) = default;
};

// Every fill in painting order (frame bands, then background), then the text cell, drawn opaque in
// the background colour with the text in textColour. Together they cover the client area once.
struct StatusTextPaintPlan {
    std::vector<StatusTextFill> fills;
    bool hasText;
    PixelRect textCell;       // meaningful only with hasText
    std::uint32_t textColour; // meaningful only with hasText
    PixelRect interior;       // the client area inside the frame; text and background stay in it
};

// The paint plan for one repaint of the control.
StatusTextPaintPlan PlanStatusTextPaint(const StatusTextPaintInput& input);

// The narrowest control whose paint plan shows a text textWidth pixels wide whole; no text needs none.
int StatusTextWholeWidth(int textWidth, bool border, bool centred);
