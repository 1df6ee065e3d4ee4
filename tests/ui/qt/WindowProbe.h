#pragma once

#include "ui/qt/ConfigDlg.h"

#include <QString>

class QAbstractButton;

// What a test reads off the configuration window, by control id (resources/resource.h).

// The text a control shows: a button's or label's text, a group's title, an edit's or status line's text.
QString TextOf(const CConfigDlg& window, int id);
// Whether the control takes input (enabled in itself; its parent is always enabled).
bool IsEnabled(const CConfigDlg& window, int id);
// Whether the control was hidden on purpose (the window itself need not be shown).
bool IsHidden(const CConfigDlg& window, int id);
// The push button or check box with that id; null for any other kind of control.
QAbstractButton* ButtonOf(const CConfigDlg& window, int id);
// Whether the lamp (a bitmap static) shows exactly the pixels of bitmap bitmapId.
bool LampShows(const CConfigDlg& window, int lampId, int bitmapId);
// Whether the status text control is drawn in its active look (black) rather than grey; it renders
// the control, so it sees what the user would see.
bool IsDrawnActive(const CConfigDlg& window, int id);

// How many columns, from the first to the last, the text of a status text control covers as rendered
// in the control, and as rendered in its font without any edge to cut it off.
int RenderedInkWidth(const CConfigDlg& window, int id);
int UnclippedInkWidth(const CConfigDlg& window, int id);

// The window as it was at one moment, for checks about what a message box appeared over.
struct WindowSnapshot {
    ConnectionPhase phase = ConnectionPhase::Disconnected;
    QString connectText;
    bool connectChecked = false;
    bool addressEnabled = false;
    QString statusLine;
    QString localTimeLine;
};

// Takes the snapshot of the window now.
WindowSnapshot SnapshotOf(const CConfigDlg& window);
