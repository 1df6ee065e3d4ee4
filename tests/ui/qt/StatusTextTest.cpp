#include "ui/qt/StatusText.h"
#include "resources/WindowStyles.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

constexpr QRgb kUnpainted = 0xFFFF00FF;

// Renders the control alone onto magenta, without letting Qt paint any background first.
QImage Render(CStatusText& control) {
    QImage image(control.size(), QImage::Format_RGB32);
    image.fill(kUnpainted);
    control.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

QRgb Pixel(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

// Every pixel colour inside rect other than white.
std::vector<QRgb> InkInside(const QImage& image, const QRect& rect) {
    std::vector<QRgb> ink;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (Pixel(image, x, y) != 0xFFFFFF) {
                ink.push_back(Pixel(image, x, y));
            }
        }
    }
    return ink;
}

// Text drawn without antialiasing, so every glyph pixel has exactly the text colour.
void UseCrispFont(CStatusText& control) {
    QFont font = control.font();
    font.setPixelSize(12);
    font.setStyleStrategy(QFont::NoAntialias);
    control.setFont(font);
}

struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// Runs the event loop until the control has painted after `before` paints, within a bounded number of
// rounds; false when it has not.
bool PaintsAgain(PaintCounter& counter, int before) {
    for (int round = 0; round < 200 && counter.paints == before; ++round) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return counter.paints > before;
}

bool EveryPixelPainted(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == kUnpainted) {
                return false;
            }
        }
    }
    return true;
}

TEST(StatusText, PaintsEveryPixelItselfWithoutBackground) {
    CStatusText control(0);
    control.resize(100, 20);
    EXPECT_TRUE(control.testAttribute(Qt::WA_OpaquePaintEvent));
    EXPECT_FALSE(control.autoFillBackground());
    const QImage empty = Render(control);
    EXPECT_TRUE(EveryPixelPainted(empty));
    EXPECT_TRUE(InkInside(empty, empty.rect()).empty());
    control.SetText("12:34:56");
    const QImage text = Render(control);
    EXPECT_TRUE(EveryPixelPainted(text));
    EXPECT_FALSE(InkInside(text, text.rect()).empty());
}

TEST(StatusText, FrameIsGreyUntilActive) {
    CStatusText control(0);
    control.resize(60, 20);
    control.SetBorder(true);
    control.SetActive(false);
    QImage image = Render(control);
    for (const QPoint corner : {QPoint(0, 0), QPoint(1, 1), QPoint(59, 19), QPoint(0, 10), QPoint(58, 10)}) {
        EXPECT_EQ(Pixel(image, corner.x(), corner.y()), 0x808080u) << corner.x() << "," << corner.y();
    }
    EXPECT_TRUE(InkInside(image, QRect(2, 2, 56, 16)).empty());
    control.SetActive(true);
    image = Render(control);
    EXPECT_EQ(Pixel(image, 0, 0), 0x000000u);
    EXPECT_EQ(Pixel(image, 59, 19), 0x000000u);
    EXPECT_EQ(Pixel(image, 2, 2), 0xFFFFFFu);
}

TEST(StatusText, TextIsGreyWhenInactiveAndBlackWhenActive) {
    CStatusText control(kSsCenter);
    control.resize(120, 24);
    UseCrispFont(control);
    control.SetText("GPS lock");
    EXPECT_EQ(control.Text(), "GPS lock");
    for (bool active : {false, true}) {
        control.SetActive(active);
        const std::vector<QRgb> ink = InkInside(Render(control), QRect(0, 0, 120, 24));
        ASSERT_FALSE(ink.empty());
        for (const QRgb colour : ink) {
            ASSERT_EQ(colour, active ? 0x000000u : 0x808080u);
        }
    }
}

TEST(StatusText, FramedTextLeavesTheFrameIntact) {
    CStatusText control(0);
    control.resize(40, 10);
    UseCrispFont(control);
    control.SetBorder(true);
    control.SetActive(true);
    control.SetText("Connection has been lost"); // wider and taller than the interior
    const QImage image = Render(control);
    for (int x = 0; x < 40; ++x) {
        ASSERT_EQ(Pixel(image, x, 0), 0u);
        ASSERT_EQ(Pixel(image, x, 9), 0u);
    }
    EXPECT_EQ(Pixel(image, 39, 5), 0u);
}

TEST(StatusText, SetTextRepaintsEvenWithTheSameTextAndSetActiveDoesNot) {
    QWidget window;
    window.resize(200, 50);
    auto* control = new CStatusText(0, &window);
    control->setGeometry(10, 10, 150, 24);
    PaintCounter counter;
    control->installEventFilter(&counter);
    window.show();
    ASSERT_TRUE(PaintsAgain(counter, 0)) << "the window never painted";
    control->SetText("Connect");
    ASSERT_TRUE(PaintsAgain(counter, counter.paints));
    control->SetText("Connect");
    EXPECT_TRUE(PaintsAgain(counter, counter.paints));
    const int settled = counter.paints;
    control->SetActive(true);
    control->SetBorder(true);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, settled);
}

// Qt hands change events only to a platform bridge, which the offscreen platform lacks; what a reader
// asks of the control is what can be checked here.
TEST(StatusText, ScreenReadersReadTheShownTextAsNameAndValue) {
    CStatusText control(0);
    for (const char* text : {"12:00:01", "12:00:02"}) {
        control.SetText(text);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&control);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), QAccessible::StaticText);
        EXPECT_EQ(accessible->text(QAccessible::Name), text);
        EXPECT_EQ(accessible->text(QAccessible::Value), text);
    }
}

} // namespace
