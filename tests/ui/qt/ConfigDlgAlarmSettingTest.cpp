// "Notify me of problems" in the window's context menu, beside About and Find devices: on at first, switching
// the alarms and remembered for the next window (the test program keeps the user's settings in a folder of
// its own, OffscreenTestMain.cpp).
#include "WindowTestFixture.h"

#include "resources/StringTable.h"
#include "resources/resource.h"
#include "ui/AboutCommand.h"

#include <QAction>
#include <QMenu>

namespace {

using ConfigDlgAlarmSetting = CWindowTest;

// The window's context menu item with text; null when there is none.
QAction* MenuItem(const QMenu& menu, int stringId) {
    for (QAction* action : menu.actions()) {
        if (action->text() == QString::fromUtf8(LoadStringResource(stringId))) {
            return action;
        }
    }
    return nullptr;
}

// Whether a window opened now starts with the alarms on.
bool NextWindowHasAlarmsOn() {
    CFakeMessageBoxes boxes;
    CConfigDlg window(boxes);
    window.OnInitDialog();
    const bool on = window.Logic().AlarmsOn();
    window.Logic().OnClose();
    return on;
}

TEST_F(ConfigDlgAlarmSetting, TheMenuTickSwitchesTheAlarmsAndTheNextWindowStartsWithIt) {
    QMenu menu;
    m_window.AddContextMenuItems(menu);
    ASSERT_EQ(menu.actions().size(), 5);
    EXPECT_EQ(menu.actions()[0]->text().toStdString(), AboutCommandText());
    QAction* notify = MenuItem(menu, IDS_NOTIFY_PROBLEMS);
    ASSERT_NE(notify, nullptr);
    ASSERT_TRUE(notify->isCheckable());
    EXPECT_TRUE(notify->isChecked());
    EXPECT_TRUE(m_window.Logic().AlarmsOn());

    for (const bool on : {false, true}) {
        notify->trigger();
        EXPECT_EQ(m_window.Logic().AlarmsOn(), on);
        EXPECT_EQ(NextWindowHasAlarmsOn(), on);
    }
}

} // namespace
