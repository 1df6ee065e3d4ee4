#include "StatusText.h"

#include "QtPixelRect.h"
#include "resources/WindowStyles.h"
#include "ui/StatusTextPaint.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QColor>
#include <QFontMetrics>
#include <QPainter>

namespace {

bool IsEmpty(const PixelRect& rect) {
    return rect.width <= 0 || rect.height <= 0;
}

// What a screen reader asks of a status control: static text whose name and value are the line it
// shows, as a Windows static's window text is.
class CStatusTextAccessible : public QAccessibleWidget {
public:
    explicit CStatusTextAccessible(CStatusText* control)
        : QAccessibleWidget(control, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name || t == QAccessible::Value) {
            return static_cast<const CStatusText*>(widget())->Text();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* StatusTextAccessibleFactory(const QString&, QObject* object) {
    auto* control = qobject_cast<CStatusText*>(object);
    return control != nullptr ? new CStatusTextAccessible(control) : nullptr;
}

} // namespace

CStatusText::CStatusText(std::uint32_t style, QWidget* parent) : QWidget(parent), m_style(style) {
    // Once per program, before a screen reader can ask for the first control.
    [[maybe_unused]] static const bool factoryInstalled =
        (QAccessible::installFactory(StatusTextAccessibleFactory), true);
    // The paint plan covers every pixel: Qt must neither erase first nor fill a background of its own.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void CStatusText::SetText(const QString& text) {
    const bool changed = text != m_text;
    m_text = text;
    update();
    if (changed) {
        QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&nameChanged);
        QAccessibleValueChangeEvent valueChanged(this, m_text);
        QAccessible::updateAccessibility(&valueChanged);
    }
}

void CStatusText::SetActive(bool active) {
    m_active = active;
}

void CStatusText::SetBorder(bool border) {
    m_border = border;
}

int CStatusText::TextWidth(const QFontMetrics& metrics) const {
    return m_text.isEmpty() ? 0 : metrics.horizontalAdvance(m_text);
}

bool CStatusText::IsCentred() const {
    return (m_style & kSsCenter) != 0;
}

int CStatusText::WholeTextWidth() const {
    return StatusTextWholeWidth(TextWidth(QFontMetrics(font())), m_border, IsCentred());
}

void CStatusText::paintEvent(QPaintEvent*) {
    const QFontMetrics metrics(font());
    const StatusTextPaintPlan plan = PlanStatusTextPaint(
        {width(), height(), TextWidth(metrics), metrics.height(), m_border, m_active, IsCentred()});

    QPainter painter(this);
    for (const StatusTextFill& fill : plan.fills) {
        if (!IsEmpty(fill.rect)) {
            painter.fillRect(ToQRect(fill.rect), QColor::fromRgb(fill.colour));
        }
    }
    if (!plan.hasText) {
        return;
    }
    // Glyphs may reach past their cell; the frame must survive them.
    painter.setClipRect(ToQRect(plan.interior));
    painter.fillRect(ToQRect(plan.textCell), QColor::fromRgb(kStatusWhite));
    painter.setPen(QColor::fromRgb(plan.textColour));
    painter.drawText(plan.textCell.x, plan.textCell.y + metrics.ascent(), m_text);
}
