// What the shared window logic does to the window, carried out on the Qt widgets.
#include "ConfigDlg.h"

#include "ControlText.h"
#include "RecentAddressSetting.h"
#include "StatusText.h"
#include "resources/StringTable.h"
#include "resources/resource.h"
#include "ui/LampTips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTimer>

std::string CConfigDlg::ItemText(int id) const {
    return ControlText(*Item(id)).toStdString();
}

void CConfigDlg::SetItemText(int id, const std::string& text) {
    SetControlText(*Item(id), QString::fromStdString(text));
}

void CConfigDlg::SetAddressChoices(const std::vector<std::string>& addresses) {
    auto* combo = static_cast<QComboBox*>(Item(IDC_DEVICE_ADDRESS));
    // Refilling the list would select its first entry; the box's text is the logic's, not the list's.
    const QString text = combo->currentText();
    combo->clear();
    for (const std::string& address : addresses) {
        combo->addItem(QString::fromStdString(address));
    }
    combo->setEditText(text);
}

void CConfigDlg::SaveRecentAddresses(const std::vector<std::string>& addresses) {
    StoreRecentAddresses(addresses);
}

void CConfigDlg::EnableItem(int id, bool enabled) {
    QWidget* control = Item(id);
    if (!enabled && control == focusWidget()) {
        // Qt would pass the focus on to the next tab stop, often Close or Connect, which the user's next
        // Space would press. The window takes it instead: the focus is as good as lost.
        setFocus(Qt::OtherFocusReason);
    }
    control->setEnabled(enabled);
}

bool CConfigDlg::IsItemChecked(int id) const {
    return Button(id)->isChecked();
}

void CConfigDlg::SetItemChecked(int id, bool checked) {
    Button(id)->setChecked(checked);
}

void CConfigDlg::ShowItem(int id, bool shown) {
    Item(id)->setVisible(shown);
}

void CConfigDlg::SetStatusActive(int id, bool active) {
    StatusText(id)->SetActive(active);
}

void CConfigDlg::SetLamp(int lampId, int bitmapId) {
    QWidget* lamp = Item(lampId);
    static_cast<QLabel*>(lamp)->setPixmap(m_lampBitmaps.at(bitmapId));
    // Each refresh sets the lamp; a screen reader hears of a change only.
    const QString name = QString::fromStdString(LampAccessibleName(lampId, bitmapId, LoadStringResource));
    if (lamp->accessibleName() != name) {
        lamp->setAccessibleName(name);
    }
}

void CConfigDlg::SetLampTooltip(int lampId, const std::string& text) {
    QWidget* lamp = Item(lampId);
    const QString tip = QString::fromStdString(text);
    lamp->setToolTip(tip);
    // A screen reader reads the description; a tooltip only shows under the mouse.
    if (lamp->accessibleDescription() != tip) {
        lamp->setAccessibleDescription(tip);
    }
}

void CConfigDlg::RelayoutWindow() {
    LayoutControls();
}

void CConfigDlg::PressWhenShown(int id) {
    // A zero timer fires once the dialog's event loop runs, which is after the window is shown.
    QTimer::singleShot(0, this, [this, id] { Button(id)->click(); });
}

void CConfigDlg::StartTimer(int timerId, int periodMs) {
    m_timers.Start(timerId, periodMs);
}

void CConfigDlg::StopTimer(int timerId) {
    m_timers.Stop(timerId);
}

void CConfigDlg::RepaintWindow() {
    update();
    for (QWidget* control : m_controls.InTemplateOrder()) {
        control->update();
    }
}

MessageAnswer CConfigDlg::ShowMessage(const std::string& text, const std::string& caption, MessageKind kind) {
    return m_boxes.Show(*this, text, caption, kind);
}

void CConfigDlg::EndDialog(int result) {
    done(result);
}

void CConfigDlg::RaiseAlarm(const Alarm& alarm) {
    m_notifier.Notify(alarm);
    // The taskbar's attention mark stays until the user comes to the window.
    QApplication::alert(this);
}

void CConfigDlg::WithdrawAlarms() {
    m_notifier.CloseAll();
}

void CConfigDlg::WithdrawAlarm(const Alarm& alarm) {
    m_notifier.CloseOf(alarm);
}
