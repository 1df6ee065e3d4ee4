#pragma once

#include "ui/qt/ConfigDlg.h"
#include "ui/qt/MessageBoxes.h"

#include <QString>

// A message box seam that never opens a box: errors are acknowledged, the address-change question is
// declined unless told otherwise. It counts the boxes the window asked for.
class CSilentBoxes : public CMessageBoxes {
public:
    // The answer to every address-change question from now on.
    void SetQuestionAnswer(MessageAnswer answer) { m_questionAnswer = answer; }
    MessageAnswer Show(QWidget& owner, const std::string& text, const std::string& caption,
                       MessageKind kind) override;
    // How many boxes the window has asked for so far.
    int Count() const { return m_count; }

private:
    int m_count = 0;
    MessageAnswer m_questionAnswer = MessageAnswer::No;
};

// The main window as the program shows it (initialised and shown, offscreen), driven by clicks as a
// user would drive it. It follows an address change only to a loopback address. Needs a QApplication; closes
// the window with its own close routine at the end.
class CBenchWindow {
public:
    // The window with address typed into its address box.
    explicit CBenchWindow(const char* address);
    ~CBenchWindow();
    CBenchWindow(const CBenchWindow&) = delete;
    CBenchWindow& operator=(const CBenchWindow&) = delete;

    // Clicks the Connect / Cancel / Disconnect button. Refuses (false) to press "Connect" unless the
    // address box holds a loopback address: benchmarks never reach for a real device.
    bool ClickConnectButton();
    // Types the three values into the address change panel and clicks Apply; the question is answered
    // Yes. Refuses (false) a new address outside loopback, and while Apply is disabled.
    bool ApplyAddressChange(const char* ip, const char* mask, const char* gateway);
    // The text of the address box.
    QString AddressBoxText() const;
    // The text of the Connect / Cancel / Disconnect button.
    QString ConnectButtonText() const;
    // The text the status line shows.
    QString StatusLine() const;
    // Button "Connect", not pressed, address box enabled, no attempt running.
    bool IsDisconnected() const;
    // A link has won: the status line shows "Connected - Please Wait" or a UTC time line.
    bool IsConnected() const;
    // The status line shows a UTC time line.
    bool ShowsUtcTime() const;
    // How many message boxes the window has asked for.
    int MessageCount() const { return m_boxes.Count(); }
    // The window itself.
    CConfigDlg& Dialog() { return m_dialog; }
    const CConfigDlg& Dialog() const { return m_dialog; }

private:
    CSilentBoxes m_boxes;
    CConfigDlg m_dialog;
};
