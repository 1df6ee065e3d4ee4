#include "ui/qt/DialogBuilder.h"
#include "resources/DialogUnits.h"
#include "resources/WindowStyles.h"
#include "resources/resource.h"
#include "ui/qt/StatusText.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

constexpr std::array kStatusTextIds = {IDC_STATUS_FRAME, IDC_STATUS_LINE, IDC_LOCAL_TIME_LINE,
                                       IDC_VERSION_LINE, IDC_GPS_CAPTION, IDC_TIME_SYNC_CAPTION,
                                       IDC_LEAP_LINE};

const DialogTemplate& MainTemplate() {
    return *FindDialogTemplate(IDD_CONFIG_DIALOG);
}

template <typename Widget>
Widget* As(const CDialogControls& controls, int id) {
    return qobject_cast<Widget*>(controls.Item(id));
}

class MainWindowControls : public testing::Test {
protected:
    QDialog m_dialog;
    CDialogControls m_controls = BuildDialogControls(MainTemplate(), m_dialog, kStatusTextIds, 96);
};

TEST_F(MainWindowControls, AreSiblingsInTemplateOrder) {
    const std::vector<QWidget*>& widgets = m_controls.InTemplateOrder();
    ASSERT_EQ(widgets.size(), 28u);
    // The parent's child list is also the stacking order, bottom first.
    EXPECT_EQ(m_dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).toVector(),
              QList<QWidget*>(widgets.begin(), widgets.end()));
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        EXPECT_EQ(widgets[i]->parent(), &m_dialog);
        EXPECT_EQ(widgets[i], m_controls.Item(MainTemplate().controls[i].id));
    }
    EXPECT_EQ(m_controls.Item(1002), nullptr);
}

TEST_F(MainWindowControls, HaveTheClassesTheirStylesAskFor) {
    for (int id : {IDC_CONNECT_GROUP, IDC_STATUS_GROUP, IDC_CHANGE_IP_GROUP, IDC_MAC_GROUP}) {
        EXPECT_NE(As<QGroupBox>(m_controls, id), nullptr) << "id " << id;
    }
    const QComboBox* address = As<QComboBox>(m_controls, IDC_DEVICE_ADDRESS);
    ASSERT_NE(address, nullptr);
    EXPECT_TRUE(address->isEditable());
    for (int id : {IDC_NEW_IP_ADDRESS, IDC_NEW_SUBNET_MASK, IDC_NEW_GATEWAY, IDC_NEW_MAC_ADDRESS}) {
        ASSERT_NE(As<QLineEdit>(m_controls, id), nullptr) << "id " << id;
        EXPECT_FALSE(As<QLineEdit>(m_controls, id)->isReadOnly());
    }
    const QLineEdit* mac = As<QLineEdit>(m_controls, IDC_MAC_ADDRESS);
    ASSERT_NE(mac, nullptr);
    EXPECT_TRUE(mac->isReadOnly());
    EXPECT_TRUE(mac->alignment() & Qt::AlignRight);
    const QPushButton* connect = As<QPushButton>(m_controls, IDC_CONNECT);
    ASSERT_NE(connect, nullptr);
    EXPECT_TRUE(connect->isCheckable());
    EXPECT_NE(As<QCheckBox>(m_controls, IDC_DHCP), nullptr);
    for (int id : {IDC_APPLY, IDC_QUIT, IDC_MAC_APPLY}) {
        ASSERT_NE(As<QPushButton>(m_controls, id), nullptr) << "id " << id;
        EXPECT_FALSE(As<QPushButton>(m_controls, id)->isCheckable());
    }
    for (int id : {IDC_IP_ADDRESS_LABEL, IDC_SUBNET_MASK_LABEL, IDC_GATEWAY_LABEL}) {
        ASSERT_NE(As<QLabel>(m_controls, id), nullptr) << "id " << id;
        EXPECT_TRUE(As<QLabel>(m_controls, id)->alignment() & Qt::AlignVCenter);
    }
    for (int id : kStatusTextIds) {
        ASSERT_NE(m_controls.StatusText(id), nullptr) << "id " << id;
        EXPECT_TRUE(m_controls.StatusText(id)->Text().isEmpty());
    }
    EXPECT_EQ(m_controls.StatusText(IDC_VERSION_LINE)->Style() & kSsTypeMask, kSsRight);
    EXPECT_EQ(m_controls.StatusText(IDC_APPLY), nullptr);
}

TEST_F(MainWindowControls, StandAtTheirTemplateRectanglesInPixels) {
    for (const DialogControlTemplate& control : MainTemplate().controls) {
        const QRect geometry = m_controls.Item(control.id)->geometry();
        const PixelRect expected = DialogRectToPixels(control.rect, 96);
        EXPECT_EQ(geometry.topLeft(), QPoint(expected.x, expected.y)) << "id " << control.id;
        if ((control.style & kSsTypeMask) != kSsBitmap || control.controlClass != ControlClass::Static) {
            EXPECT_EQ(geometry.size(), QSize(expected.width, expected.height)) << "id " << control.id;
        }
    }
    EXPECT_EQ(m_controls.Item(IDC_CONNECT)->geometry(), QRect(201, 37, 74, 16));
    EXPECT_EQ(m_controls.Item(IDC_NEW_GATEWAY)->geometry(), QRect(44, 367, 125, 23));
}

TEST_F(MainWindowControls, BitmapStaticsTakeTheSizeOfTheirBitmaps) {
    EXPECT_EQ(m_controls.Item(IDC_LOGO)->size(), QSize(81, 79));
    for (int id : {IDC_GPS_LAMP, IDC_TIME_SYNC_LAMP}) {
        const QLabel* lamp = As<QLabel>(m_controls, id);
        ASSERT_NE(lamp, nullptr);
        EXPECT_EQ(lamp->size(), QSize(24, 24));
        EXPECT_EQ(lamp->pixmap().size(), QSize(24, 24));
    }
}

TEST_F(MainWindowControls, OnlyTheMacControlsAreHidden) {
    for (const DialogControlTemplate& control : MainTemplate().controls) {
        const bool mac = control.id == IDC_MAC_GROUP || control.id == IDC_MAC_ADDRESS ||
                         control.id == IDC_NEW_MAC_ADDRESS || control.id == IDC_MAC_APPLY;
        EXPECT_EQ(m_controls.Item(control.id)->isHidden(), mac) << "id " << control.id;
    }
}

TEST_F(MainWindowControls, TabOrderIsTemplateOrder) {
    std::vector<QWidget*> chain;
    QWidget* widget = m_dialog.nextInFocusChain();
    for (int guard = 0; widget != &m_dialog && guard < 100; ++guard, widget = widget->nextInFocusChain()) {
        // Tab passes over a widget that hands its focus on, as the drop-down's own edit does.
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->focusProxy() == nullptr) {
            chain.push_back(widget);
        }
    }
    std::vector<QWidget*> expected;
    for (int id :
         {IDC_DEVICE_ADDRESS, IDC_CONNECT, IDC_DHCP, IDC_NEW_IP_ADDRESS, IDC_NEW_SUBNET_MASK, IDC_NEW_GATEWAY,
          IDC_APPLY, IDC_QUIT, IDC_MAC_ADDRESS, IDC_NEW_MAC_ADDRESS, IDC_MAC_APPLY}) {
        expected.push_back(m_controls.Item(id));
    }
    EXPECT_EQ(chain, expected);
}

TEST_F(MainWindowControls, EnterPressesNoButton) {
    int clicks = 0;
    for (QPushButton* button : m_dialog.findChildren<QPushButton*>()) {
        QObject::connect(button, &QPushButton::clicked, [&clicks] { ++clicks; });
    }
    m_dialog.show();
    m_controls.Item(IDC_DEVICE_ADDRESS)->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&m_dialog, &enter);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(m_dialog.isVisible());
}

TEST_F(MainWindowControls, UseTheTemplateFontWithArialAsFallback) {
    const QFont font = m_controls.Item(IDC_DHCP)->font();
    ASSERT_FALSE(font.families().isEmpty());
    EXPECT_EQ(font.families().back(), "Arial");
    EXPECT_EQ(font.pointSize(), 8);
    EXPECT_EQ(QFontInfo(font).family(), "Liberation Sans");
}

TEST(DialogFrame, MainWindowClientAreaIsFixed) {
    QDialog dialog;
    ApplyDialogTemplateFrame(MainTemplate(), dialog, 96);
    EXPECT_EQ(dialog.windowTitle(), "VANTREX Configuration");
    EXPECT_EQ(dialog.minimumSize(), QSize(459, 530));
    EXPECT_EQ(dialog.maximumSize(), QSize(459, 530));
}

TEST(FontWithFallback, KeepsInstalledFamiliesAndReplacesMissingOnesByArial) {
    const QFont bold = FontWithFallback("Arial", 13, true);
    EXPECT_EQ(bold.families(), QStringList{"Arial"});
    EXPECT_EQ(QFontInfo(bold).family(), "Liberation Sans");
    EXPECT_TRUE(QFontInfo(bold).bold());
    const QFont installed = FontWithFallback("DejaVu Serif", 8, false);
    EXPECT_EQ(installed.families(), (QStringList{"DejaVu Serif", "Arial"}));
    EXPECT_EQ(QFontInfo(installed).family(), "DejaVu Serif");
    EXPECT_EQ(FontWithFallback("MS Sans Serif", 8, false).families(), QStringList{"Arial"});
}

TEST(AboutBox, OkIsTheDefaultButtonAndAcceptsTheDialog) {
    QDialog dialog;
    const CDialogControls controls = BuildDialogControls(*FindDialogTemplate(IDD_ABOUTBOX), dialog, {}, 96);
    ASSERT_EQ(controls.InTemplateOrder().size(), 4u);
    const QLabel* icon = qobject_cast<QLabel*>(controls.InTemplateOrder()[0]);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->size(), QSize(32, 32));
    EXPECT_FALSE(icon->pixmap().isNull());
    auto* ok = As<QPushButton>(controls, kIdOk);
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    ok->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(DialogBuilder, StaticMnemonicFocusesTheNextTabStop) {
    const DialogControlTemplate controls[] = {
        {kIdStatic, ControlClass::Static, "&Name", 0, kWsChild | kWsVisible | kSsLeft, {0, 0, 40, 8}},
        {kIdStatic, ControlClass::Static, "A && B", 0, kWsChild | kWsVisible | kSsNoPrefix, {0, 10, 40, 8}},
        {7, ControlClass::Edit, "", 0, kWsChild | kWsVisible | kWsTabStop, {50, 0, 40, 14}},
    };
    DialogTemplate dialogTemplate = MainTemplate();
    dialogTemplate.controls = controls;
    QWidget parent;
    const CDialogControls built = BuildDialogControls(dialogTemplate, parent, {}, 96);
    EXPECT_EQ(qobject_cast<QLabel*>(built.InTemplateOrder()[0])->buddy(), built.Item(7));
    EXPECT_EQ(qobject_cast<QLabel*>(built.InTemplateOrder()[1])->buddy(), nullptr);
    EXPECT_EQ(qobject_cast<QLabel*>(built.InTemplateOrder()[1])->text(), "A && B");
}

} // namespace
