#include "Layout.h"

#include "resources/resource.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr int kDefaultDpi = 96;
constexpr int kMinTopBandHeight = 64;
constexpr int kCaptionAllowance = 4;
constexpr int kStatusShare = 55;
constexpr int kStatusShareWithDhcp = 47;
constexpr int kStatusRowTextIndent = 30;
constexpr int kLampIndent = 60;
constexpr int kVersionWidth = 100;
constexpr int kVersionBottomGap = 4;
constexpr int kVersionPoints = 10;
constexpr int kPointsPerInch = 72;
constexpr int kLogoRoomWidth = 140;
constexpr int kLogoRoomHeight = 80;

// The height of the version and leap lines: ten points at the screen's resolution.
int SmallLineHeightAt(int dpi) {
    return dpi * kVersionPoints / kPointsPerInch + 1;
}

// Every control a pass places or reads, except the DHCP box, which it reads only when it is shown.
constexpr std::array kAlwaysPlaced = {IDC_LOGO,
                                      IDC_CONNECT_GROUP,
                                      IDC_CONNECT,
                                      IDC_DEVICE_ADDRESS,
                                      IDC_STATUS_GROUP,
                                      IDC_STATUS_FRAME,
                                      IDC_STATUS_LINE,
                                      IDC_LOCAL_TIME_LINE,
                                      IDC_GPS_LAMP,
                                      IDC_TIME_SYNC_LAMP,
                                      IDC_GPS_CAPTION,
                                      IDC_TIME_SYNC_CAPTION,
                                      IDC_VERSION_LINE,
                                      IDC_LEAP_LINE,
                                      IDC_CHANGE_IP_GROUP,
                                      IDC_NEW_IP_ADDRESS,
                                      IDC_NEW_SUBNET_MASK,
                                      IDC_NEW_GATEWAY,
                                      IDC_APPLY,
                                      IDC_IP_ADDRESS_LABEL,
                                      IDC_SUBNET_MASK_LABEL,
                                      IDC_GATEWAY_LABEL,
                                      IDC_QUIT,
                                      IDC_MAC_GROUP};

// One pass over the controls; keeps every control's rectangle as the pass has left it so far.
class CLayoutPass {
public:
    explicit CLayoutPass(const LayoutInput& input)
        : m_rects(input.controls), m_cw(input.client.w), m_ch(input.client.h), m_m(input.margin),
          m_dpi(input.dpi > 0 ? input.dpi : kDefaultDpi), m_dhcpShown(input.dhcpShown),
          m_bitmapWidth(input.logoBitmapWidth), m_versionTextWidth(input.versionTextWidth),
          m_leapTextWidth(input.leapTextWidth), m_leapLineRoom(LeapLineRoom(input)) {}

    bool HasEveryControl() const;
    std::vector<Placement> Run();

private:
    const LayoutRect& R(int id) const { return m_rects.at(id); }
    void Place(int id, LayoutRect rect, PlacementMode mode = PlacementMode::MoveResize);
    void PlaceTopBand();
    void PlaceStatusGroup();
    void PlaceStatusRows();
    void PlaceSmallLines();
    void PlaceSmallLine(int id, int textWidth, int bottom, int height);
    bool LeapShown() const { return m_leapTextWidth > 0; }
    int SmallLineHeight() const { return SmallLineHeightAt(m_dpi); }
    void PlaceAddressPanel();
    void PlaceAddressLabels();
    void PlaceBottomRow();

    std::map<int, LayoutRect> m_rects;
    std::vector<Placement> m_placements;
    const int m_cw;
    const int m_ch;
    const int m_m;
    const int m_dpi;
    const bool m_dhcpShown;
    const int m_bitmapWidth;
    const int m_versionTextWidth;
    const int m_leapTextWidth;
    const int m_leapLineRoom;
};

bool CLayoutPass::HasEveryControl() const {
    const auto present = [this](int id) { return m_rects.contains(id); };
    return std::all_of(kAlwaysPlaced.begin(), kAlwaysPlaced.end(), present) &&
           (!m_dhcpShown || present(IDC_DHCP));
}

std::vector<Placement> CLayoutPass::Run() {
    PlaceTopBand();
    PlaceStatusGroup();
    PlaceStatusRows();
    PlaceSmallLines();
    PlaceAddressPanel();
    PlaceAddressLabels();
    PlaceBottomRow();
    return std::move(m_placements);
}

void CLayoutPass::Place(int id, LayoutRect rect, PlacementMode mode) {
    // The toolkit never gives a control a negative size; later rules must see what it will really get.
    rect.w = std::max(rect.w, 0);
    rect.h = std::max(rect.h, 0);
    m_rects[id] = rect;
    m_placements.push_back({id, rect, mode});
}

void CLayoutPass::PlaceTopBand() {
    const LayoutRect logo = R(IDC_LOGO);
    const int logoY = logo.h < kMinTopBandHeight ? m_m + (kMinTopBandHeight - logo.h) / 2 : m_m;
    Place(IDC_LOGO, {m_cw - m_m - m_bitmapWidth, logoY, logo.w, logo.h}, PlacementMode::Move);

    Place(IDC_CONNECT_GROUP,
          {m_m, m_m, m_cw - 3 * m_m - R(IDC_LOGO).w, std::max(R(IDC_LOGO).h, kMinTopBandHeight)});
    const LayoutRect group = R(IDC_CONNECT_GROUP);
    const int editHeight = R(IDC_DEVICE_ADDRESS).h;
    const int buttonWidth = R(IDC_CONNECT).w;
    const int rowY = m_m + kCaptionAllowance + (group.h - editHeight) / 2;
    Place(IDC_CONNECT, {group.w - buttonWidth, rowY, buttonWidth, editHeight});
    Place(IDC_DEVICE_ADDRESS, {2 * m_m, rowY, group.w - buttonWidth - 3 * m_m, editHeight});
}

void CLayoutPass::PlaceStatusGroup() {
    const int share = m_dhcpShown ? kStatusShareWithDhcp : kStatusShare;
    const int groupHeight = R(IDC_CONNECT_GROUP).h;
    // An announced leap second gets a line of its own, in the room the window grew by.
    const int available = m_ch - groupHeight - R(IDC_QUIT).h - 5 * m_m - m_leapLineRoom;
    Place(IDC_STATUS_GROUP,
          {m_m, groupHeight + 2 * m_m, m_cw - 2 * m_m, available * share / 100 + m_leapLineRoom});
    const LayoutRect status = R(IDC_STATUS_GROUP);
    Place(IDC_STATUS_FRAME, {status.x + m_m, status.y + m_m + kCaptionAllowance, status.w - 2 * m_m,
                             status.h - 2 * m_m - kCaptionAllowance});
}

void CLayoutPass::PlaceStatusRows() {
    const LayoutRect frame = R(IDC_STATUS_FRAME);
    const int rowHeight = R(IDC_GPS_LAMP).h;
    const int textX = frame.x + m_m + kStatusRowTextIndent;
    const int textWidth = frame.w - 2 * m_m - kStatusRowTextIndent;
    const int gap = m_m / 2;
    const int room = frame.h - m_leapLineRoom;
    Place(IDC_STATUS_LINE,
          {textX, frame.y + (room - 4 * rowHeight - (3 * m_m) / 2) / 2, textWidth, rowHeight});
    Place(IDC_LOCAL_TIME_LINE, {textX, R(IDC_STATUS_LINE).Bottom() + gap, textWidth, rowHeight});

    const LayoutRect gpsLamp = R(IDC_GPS_LAMP);
    Place(IDC_GPS_LAMP,
          {frame.x + m_m + kLampIndent, R(IDC_LOCAL_TIME_LINE).Bottom() + gap, gpsLamp.w, gpsLamp.h},
          PlacementMode::Move);
    const LayoutRect timeSyncLamp = R(IDC_TIME_SYNC_LAMP);
    Place(IDC_TIME_SYNC_LAMP,
          {R(IDC_GPS_LAMP).x, R(IDC_GPS_LAMP).Bottom() + gap, timeSyncLamp.w, timeSyncLamp.h},
          PlacementMode::Move);

    for (const auto& [lamp, caption] :
         {std::pair{IDC_GPS_LAMP, IDC_GPS_CAPTION}, std::pair{IDC_TIME_SYNC_LAMP, IDC_TIME_SYNC_CAPTION}}) {
        const LayoutRect placedLamp = R(lamp);
        Place(caption, {placedLamp.Right() + m_m, placedLamp.y, frame.Right() - placedLamp.Right() - 2 * m_m,
                        placedLamp.h});
    }
}

// The version sits at the foot of the frame; a leap second announced takes the foot, in the room the frame
// grew by, and the version stays above it where the rows left it. Without an announcement the leap line
// takes no room.
void CLayoutPass::PlaceSmallLines() {
    const int bottom = R(IDC_STATUS_FRAME).Bottom() - kVersionBottomGap;
    const int lineHeight = SmallLineHeight();
    PlaceSmallLine(IDC_VERSION_LINE, m_versionTextWidth, LeapShown() ? bottom - lineHeight : bottom,
                   lineHeight);
    PlaceSmallLine(IDC_LEAP_LINE, m_leapTextWidth, bottom, LeapShown() ? lineHeight : 0);
}

// A text too long for its line widens it to the left, up to the frame's inner margin; a firmware version
// of 16 characters does not fit 100 pixels.
void CLayoutPass::PlaceSmallLine(int id, int textWidth, int bottom, int height) {
    const LayoutRect frame = R(IDC_STATUS_FRAME);
    const int right = frame.Right() - m_m;
    const int width = std::max(kVersionWidth, std::min(textWidth, right - frame.x - m_m));
    Place(id, {right - width, bottom - height, width, height});
}

void CLayoutPass::PlaceAddressPanel() {
    const LayoutRect status = R(IDC_STATUS_GROUP);
    Place(IDC_CHANGE_IP_GROUP,
          {m_m, status.Bottom() + m_m, m_cw - 2 * m_m, m_ch - R(IDC_QUIT).h - status.Bottom() - 3 * m_m});
    const LayoutRect panel = R(IDC_CHANGE_IP_GROUP);
    const LayoutRect ip = R(IDC_NEW_IP_ADDRESS);
    const int columnX = 2 * m_m;
    int ipY = panel.y + kCaptionAllowance + (panel.h - 3 * ip.h - 2 * m_m) / 2;
    if (m_dhcpShown) {
        Place(IDC_DHCP,
              {columnX, panel.y + kCaptionAllowance + (panel.h - 4 * ip.h - 3 * m_m) / 2, ip.w, ip.h});
        ipY = R(IDC_DHCP).Bottom() + m_m;
    }
    Place(IDC_NEW_IP_ADDRESS, {columnX, ipY, ip.w, ip.h});
    const LayoutRect mask = R(IDC_NEW_SUBNET_MASK);
    Place(IDC_NEW_SUBNET_MASK, {columnX, R(IDC_NEW_IP_ADDRESS).Bottom() + m_m, mask.w, mask.h});
    const LayoutRect gateway = R(IDC_NEW_GATEWAY);
    Place(IDC_NEW_GATEWAY, {columnX, R(IDC_NEW_SUBNET_MASK).Bottom() + m_m, gateway.w, gateway.h});

    const int applyWidth = R(IDC_APPLY).w;
    const int columnTop = R(m_dhcpShown ? IDC_DHCP : IDC_NEW_IP_ADDRESS).y;
    Place(IDC_APPLY,
          {panel.Right() - m_m - applyWidth, columnTop, applyWidth, R(IDC_NEW_GATEWAY).Bottom() - columnTop});
}

void CLayoutPass::PlaceAddressLabels() {
    const int panelWidth = R(IDC_CHANGE_IP_GROUP).w;
    const int applyWidth = R(IDC_APPLY).w;
    for (const auto& [edit, label] : {std::pair{IDC_NEW_IP_ADDRESS, IDC_IP_ADDRESS_LABEL},
                                      std::pair{IDC_NEW_SUBNET_MASK, IDC_SUBNET_MASK_LABEL},
                                      std::pair{IDC_NEW_GATEWAY, IDC_GATEWAY_LABEL}}) {
        const LayoutRect placedEdit = R(edit);
        Place(label, {placedEdit.Right() + m_m, placedEdit.y,
                      panelWidth - applyWidth - placedEdit.w - 3 * m_m, placedEdit.h});
    }
}

void CLayoutPass::PlaceBottomRow() {
    const int applyWidth = R(IDC_APPLY).w;
    const int quitHeight = R(IDC_QUIT).h;
    Place(IDC_QUIT,
          {m_cw - 2 * m_m - applyWidth, R(IDC_CHANGE_IP_GROUP).Bottom() + m_m, applyWidth, quitHeight});
    const LayoutRect quit = R(IDC_QUIT);
    Place(IDC_MAC_GROUP, {m_m, quit.y, m_cw - quit.w - 3 * m_m, quit.h});
}

} // namespace

std::optional<std::vector<Placement>> ComputeLayout(const LayoutInput& input) {
    CLayoutPass pass(input);
    if (!pass.HasEveryControl()) {
        return std::nullopt;
    }
    return pass.Run();
}

LayoutSize GrownWindowSize(LayoutSize outer, LayoutSize logo) {
    return {outer.w + std::max(logo.w - kLogoRoomWidth, 0), outer.h + std::max(logo.h - kLogoRoomHeight, 0)};
}

int LeapLineRoom(const LayoutInput& input) {
    return input.leapTextWidth > 0
               ? SmallLineHeightAt(input.dpi > 0 ? input.dpi : kDefaultDpi) + kVersionBottomGap
               : 0;
}
