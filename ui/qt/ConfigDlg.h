#pragma once

#include "DialogBuilder.h"
#include "LocalNetworks.h"
#include "MessageBoxes.h"
#include "ui/RestartFollow.h"

#include "connect/ConnectionControl.h"
#include "link/DeviceLink.h"
#include "runtime/WorkerThread.h"

#include <QDialog>
#include <QFont>
#include <QIcon>
#include <QPixmap>

#include <functional>
#include <map>
#include <string>
#include <vector>

class CStatusText;
struct LinkTiming;
class QAbstractButton;
class QLineEdit;
class QLabel;

// What the follow-up of an address change depends on besides the device; tests replace each part.
struct RestartEnvironment {
    RestartTiming timing;
    // This PC's networks, read before every confirmation.
    std::function<std::vector<Ipv4Network>()> localNetworks = LocalNetworks;
    // Every address the window would connect to on its own must pass; one that fails is not followed.
    std::function<bool(const std::string& address)> mayConnectTo = [](const std::string&) { return true; };
};

// The main window: races the two device links, shows the active link's status four times a second and
// hands address changes to it. It is also the state relay: its own thread turns the links' state
// changes into events handled on the window thread.
class CConfigDlg : public QDialog, public CWorkerThread {
    Q_OBJECT

public:
    // boxes answers every message box of the window (tests pass their own).
    explicit CConfigDlg(CMessageBoxes& boxes);
    ~CConfigDlg() override;

    // Builds the controls, sets the start texts and states and starts the relay; call once, before the
    // window is shown.
    void OnInitDialog();

    // The window's controls by id (the role of GetDlgItem).
    const CDialogControls& Controls() const { return m_controls; }
    // The links, for tests that check which link won.
    const CDeviceLink& LinkA() const { return m_linkA; }
    const CDeviceLink& LinkB() const { return m_linkB; }
    // The link whose status the window shows: link A until a link wins, afterwards the last winner.
    const CDeviceLink& ActiveLink() const;
    // The connection phase (disconnected, connecting, connected).
    ConnectionPhase Phase() const { return m_connection.Phase(); }
    // Where the follow-up of a confirmed address change stands.
    RestartPhase RestartFollowPhase() const { return m_restart.Phase(); }
    // Replaces the follow-up's times, network list and address check; only while it is Idle.
    void SetRestartEnvironment(RestartEnvironment environment);

    // Handlers of the controls and of the relay's events.
    void OnConnect();
    void OnLinkState(const CWorkerThread* link, StateReport report);
    void OnTimer();
    void OnApply();
    void OnDhcpToggle();
    void OnSysCommand(unsigned command);
    // The close routine of the title-bar close, Alt+F4 and the Close button: stops link A, link B and
    // the relay, in that order, and ends the dialog with 0.
    void OnClose();

protected:
    // The relay loop, on the window's own worker thread.
    void Run() override;

    void customEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Enter and Esc must not end the dialog.
    void accept() override {}
    void reject() override {}

private:
    QWidget* Item(int id) const { return m_controls.Item(id); }
    QAbstractButton* Button(int id) const;
    QLineEdit* Edit(int id) const;
    CStatusText* StatusText(int id) const { return m_controls.StatusText(id); }
    CDeviceLink& Link(LinkSide side) { return side == LinkSide::A ? m_linkA : m_linkB; }
    void SetItemText(int id, int stringId);
    // Every enabling and disabling of the window's controls goes through here: a disabled control hands
    // the keyboard focus to the window, never to another control.
    void SetEnabled(std::initializer_list<int> ids, bool enabled);
    void SetLamp(int lampId, int bitmapId);
    // Sets the version line's text, re-laying the line out when the text changed.
    void SetVersionLine(const QString& text);
    void ShowError(int stringId);
    // Repaints the window and every control in it (a looks change of a status control needs it).
    void InvalidateWindow();

    void BuildControls();
    void InstallAboutCommand();
    void CreateFonts();
    void SetStartTexts();
    void ConnectHandlers();

    // The two-link race at address, as Connect starts it.
    void StartRace(const std::string& address, const LinkTiming& timing);
    void AcceptLink(LinkSide side);
    // Both links failed: loudly after Connect, quietly for a try at a restarting device.
    void OnAttemptFailed();
    void FailAttempt();
    void ResetToDisconnected();
    void SetPanelEnabled(bool enabled);

    void LayoutControls();

    // The follow-up of a confirmed address change (ConfigDlgRestart.cpp).
    void OnChangeConfirmed(const AddressCheck& change, bool reachable);
    void OnRestartLinkEnded();
    void OnRestartTick();
    void OnRestartTimedOut();
    void CancelRestartFollow();
    void StopRestartTimer();

    CMessageBoxes& m_boxes;
    CDialogControls m_controls;
    CDeviceLink m_linkA;
    CDeviceLink m_linkB;
    CConnectionControl m_connection;
    int m_nMargin = 14;
    QIcon m_hIcon;
    bool m_bPanelEnabled = false;
    bool m_bDhcpCapable = false;
    bool m_bLayoutDone = false;
    QFont m_fontLarge;
    QFont m_fontSmall;
    std::map<int, QPixmap> m_lampBitmaps;
    int m_timerId = 0;
    CRestartFollow m_restart;
    RestartEnvironment m_restartEnvironment;
    int m_restartTimerId = 0;
};
