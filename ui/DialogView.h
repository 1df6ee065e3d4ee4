#pragma once

#include "MessageKind.h"

#include <string>
#include <vector>

struct Alarm;

// Everything the window's logic does to its window, by control id (resources/resource.h), with UTF-8 texts.
// Each front end implements it over its own controls; every call comes on the window thread.
//
// The rule for every handler of the logic: put the window in its final state first, then ask or tell.
// A message box runs a nested event loop that delivers whatever was queued (link reports, timer ticks),
// so a handler that opens a box half-way would have those events act on a state it is about to undo.
class CDialogView {
public:
    virtual ~CDialogView() = default;

    // The text a control shows: an edit's contents, a button's or label's caption, a status line's text.
    virtual std::string ItemText(int id) const = 0;
    // Replaces the text a control shows.
    virtual void SetItemText(int id, const std::string& text) = 0;
    // Offers addresses, most recent first, in the address box's drop-down; its text stays as it is.
    virtual void SetAddressChoices(const std::vector<std::string>& addresses) = 0;
    // Remembers the recent addresses for the user, for the next start of the window.
    virtual void SaveRecentAddresses(const std::vector<std::string>& addresses) = 0;
    // Enables or disables a control; a disabled control holding the focus hands it to the window, never
    // to another control (whose next Space the user would press unawares).
    virtual void EnableItem(int id, bool enabled) = 0;
    // Whether a check box or a push-like button is ticked or pressed.
    virtual bool IsItemChecked(int id) const = 0;
    // Ticks or clears a check box, presses or releases a push-like button.
    virtual void SetItemChecked(int id, bool checked) = 0;
    // Shows or hides a control.
    virtual void ShowItem(int id, bool shown) = 0;
    // Black (true) or grey text and frame of a status control; takes effect at the next repaint.
    virtual void SetStatusActive(int id, bool active) = 0;
    // Shows the lamp bitmap bitmapId (IDB_LAMP_*) in the lamp control lampId.
    virtual void SetLamp(int lampId, int bitmapId) = 0;
    // Replaces the tooltip of the lamp control lampId: lines separated by '\n'; empty, none.
    virtual void SetLampTooltip(int lampId, const std::string& text) = 0;
    // Replaces the text of a line as wide as its text needs (IDC_VERSION_LINE, IDC_LEAP_LINE) and, when
    // it changed, lays the window out again.
    virtual void SetFittedLine(int id, const std::string& text);
    // Lays every control out again for the texts they show now.
    virtual void RelayoutWindow() = 0;
    // Presses button id as the user would, once the window is shown and handles its events.
    virtual void PressWhenShown(int id) = 0;
    // Starts timer timerId firing every periodMs, replacing a running one of that id.
    virtual void StartTimer(int timerId, int periodMs) = 0;
    // Stops timer timerId; nothing happens when it does not run.
    virtual void StopTimer(int timerId) = 0;
    // Repaints the window and every control in it (a status control's change of looks needs it).
    virtual void RepaintWindow() = 0;
    // Shows a modal message box owned by the window and returns the answer; the window keeps handling
    // its events, link reports and timers included, while the box is open.
    virtual MessageAnswer ShowMessage(const std::string& text, const std::string& caption,
                                      MessageKind kind) = 0;
    // Ends the dialog with result.
    virtual void EndDialog(int result) = 0;
    // Tells the user of alarm outside the window (a desktop notification, the taskbar) without taking
    // the focus or waiting; the summary already names the device. It replaces the alarm of the same
    // device and subject still shown, and a click on it brings the window to the front.
    virtual void RaiseAlarm(const Alarm& alarm) = 0;
    // Takes the alarm of alarm's device and subject off the screen, if it is still shown.
    virtual void WithdrawAlarm(const Alarm& alarm) = 0;
    // Takes the window's alarms still shown off the screen: what they said is over for the user.
    virtual void WithdrawAlarms() = 0;
    // Replaces the tip of the window's notification-area icon (lines separated by '\n'); a front end
    // without such an icon shows it nowhere.
    virtual void SetTrayTip(const std::string& text) = 0;
};
