#include "WindowProbe.h"

#include "resources/resource.h"
#include "ui/qt/Artwork.h"
#include "ui/qt/ControlText.h"
#include "ui/qt/StatusText.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Anything darker than the grey of the inactive look can only come from black ink.
constexpr int kInactiveGreyLevel = 0x80;

// The control with that id; a missing one fails the test by name instead of crashing it.
QWidget* Control(const CConfigDlg& window, int id) {
    QWidget* control = window.Controls().Item(id);
    if (control == nullptr) {
        ADD_FAILURE() << "the window has no control " << id;
    }
    return control;
}

int DarkestLevel(const QImage& image) {
    int darkest = 0xFF;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            darkest = std::min({darkest, qRed(pixel), qGreen(pixel), qBlue(pixel)});
        }
    }
    return darkest;
}

// Columns from the first to the last that hold anything but white; 0 for a white image.
int InkWidth(const QImage& image) {
    int first = image.width();
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != qRgb(0xFF, 0xFF, 0xFF)) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    return last < first ? 0 : last - first + 1;
}

QImage Rendered(QWidget& control) {
    QImage image(control.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    control.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

} // namespace

QString TextOf(const CConfigDlg& window, int id) {
    const QWidget* control = Control(window, id);
    return control != nullptr ? ControlText(*control) : QString();
}

bool IsEnabled(const CConfigDlg& window, int id) {
    const QWidget* control = Control(window, id);
    return control != nullptr && control->isEnabled();
}

bool IsHidden(const CConfigDlg& window, int id) {
    const QWidget* control = Control(window, id);
    return control == nullptr || control->isHidden();
}

QAbstractButton* ButtonOf(const CConfigDlg& window, int id) {
    return qobject_cast<QAbstractButton*>(Control(window, id));
}

bool LampShows(const CConfigDlg& window, int lampId, int bitmapId) {
    const auto* lamp = qobject_cast<const QLabel*>(Control(window, lampId));
    const QPixmap expected = LoadBitmapResource(bitmapId);
    return lamp != nullptr && !expected.isNull() &&
           lamp->pixmap().toImage().convertToFormat(QImage::Format_RGB32) ==
               expected.toImage().convertToFormat(QImage::Format_RGB32);
}

bool IsDrawnActive(const CConfigDlg& window, int id) {
    CStatusText* control = window.Controls().StatusText(id);
    if (control == nullptr) {
        return false;
    }
    return DarkestLevel(Rendered(*control)) < kInactiveGreyLevel;
}

int RenderedInkWidth(const CConfigDlg& window, int id) {
    CStatusText* control = window.Controls().StatusText(id);
    return control != nullptr ? InkWidth(Rendered(*control)) : 0;
}

int UnclippedInkWidth(const CConfigDlg& window, int id) {
    const CStatusText* control = window.Controls().StatusText(id);
    if (control == nullptr) {
        return 0;
    }
    const QFontMetrics metrics(control->font());
    // Room on every side for glyphs that reach past their advance.
    const int room = metrics.height();
    QImage image(metrics.horizontalAdvance(control->Text()) + 2 * room, metrics.height() + 2 * room,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(control->font());
    painter.setPen(Qt::black);
    painter.drawText(room, room + metrics.ascent(), control->Text());
    painter.end();
    return InkWidth(image);
}

WindowSnapshot SnapshotOf(const CConfigDlg& window) {
    WindowSnapshot snapshot;
    snapshot.phase = window.Logic().Phase();
    snapshot.connectText = TextOf(window, IDC_CONNECT);
    const QAbstractButton* connect = ButtonOf(window, IDC_CONNECT);
    snapshot.connectChecked = connect != nullptr && connect->isChecked();
    snapshot.addressEnabled = IsEnabled(window, IDC_DEVICE_ADDRESS);
    snapshot.statusLine = TextOf(window, IDC_STATUS_LINE);
    snapshot.localTimeLine = TextOf(window, IDC_LOCAL_TIME_LINE);
    return snapshot;
}
