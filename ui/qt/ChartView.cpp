#include "ChartView.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <utility>

namespace {

constexpr QColor kLineColour(0, 0, 160);
constexpr QColor kBandColour(160, 176, 224);
constexpr QColor kGridColour(224, 224, 224);
constexpr int kTickLength = 4;
constexpr int kLabelGap = 2;

QColor Rgb(std::uint32_t rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

QRect ToQRect(const PixelRect& rect) {
    return QRect(rect.x, rect.y, rect.width, rect.height);
}

void PaintBands(QPainter& painter, const ChartPlan& plan) {
    painter.setPen(kBandColour);
    for (const std::vector<BandColumn>& band : plan.bands) {
        for (const BandColumn& column : band) {
            painter.drawLine(column.x, column.top, column.x, column.bottom);
        }
    }
}

// A run of one point is a dot, so that the first reading of a connection shows at once.
void PaintLines(QPainter& painter, const ChartPlan& plan) {
    painter.setPen(QPen(kLineColour, 1));
    for (const std::vector<PixelPoint>& line : plan.offsetLines) {
        QPolygon polygon;
        for (const PixelPoint& point : line) {
            polygon << QPoint(point.x, point.y);
        }
        if (polygon.size() == 1) {
            painter.drawPoint(polygon.first());
        } else {
            painter.drawPolyline(polygon);
        }
    }
}

void PaintStrip(QPainter& painter, const PixelRect& strip, const std::vector<StripRun>& runs) {
    for (const StripRun& run : runs) {
        painter.fillRect(QRect(run.left, strip.y, run.right - run.left, strip.height),
                         Rgb(StripColour(run.state)));
    }
}

void PaintValueAxis(QPainter& painter, const ChartPlan& plan) {
    const QFontMetrics metrics = painter.fontMetrics();
    for (const ValueTick& tick : plan.valueTicks) {
        painter.setPen(kGridColour);
        painter.drawLine(plan.plot.x, tick.y, plan.plot.x + plan.plot.width - 1, tick.y);
        painter.setPen(Qt::black);
        painter.drawLine(plan.plot.x - kTickLength, tick.y, plan.plot.x, tick.y);
        const QString label = QString::fromStdString(tick.label);
        const int width = metrics.horizontalAdvance(label);
        painter.drawText(plan.plot.x - kTickLength - kLabelGap - width, tick.y + metrics.ascent() / 2, label);
    }
    painter.drawText(kLabelGap, plan.plot.y - kLabelGap, QString::fromUtf8(plan.unit));
}

void PaintTimeAxis(QPainter& painter, const ChartPlan& plan) {
    const QFontMetrics metrics = painter.fontMetrics();
    const int bottom = plan.plot.y + plan.plot.height;
    for (const TimeTick& tick : plan.timeTicks) {
        painter.setPen(kGridColour);
        painter.drawLine(tick.x, plan.plot.y, tick.x, bottom - 1);
        painter.setPen(Qt::black);
        painter.drawLine(tick.x, bottom, tick.x, bottom + kTickLength);
        const QString label = QString::fromStdString(tick.label);
        painter.drawText(tick.x - metrics.horizontalAdvance(label) / 2,
                         plan.syncStrip.y + plan.syncStrip.height + kLabelGap + metrics.ascent(), label);
    }
}

// The chart's area inside the control: room for the value labels on the left, the unit above, the time
// labels below.
PixelRect ChartArea(const QSize& size, const QFontMetrics& metrics) {
    const int left = metrics.horizontalAdvance(QStringLiteral("-888.88")) + kTickLength + 2 * kLabelGap;
    const int top = metrics.height() + kLabelGap;
    const int bottom = metrics.height() + 2 * kLabelGap;
    const int right = metrics.horizontalAdvance(QStringLiteral("88:88")) / 2 + kLabelGap;
    return PixelRect{left, top, std::max(size.width() - left - right, 0),
                     std::max(size.height() - top - bottom, 0)};
}

} // namespace

CChartView::CChartView(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

void CChartView::SetPlanSource(PlanSource source) {
    m_source = std::move(source);
    update();
}

void CChartView::paintEvent(QPaintEvent*) {
    if (!m_source) {
        return;
    }
    QPainter painter(this);
    painter.setFont(font());
    m_plan = m_source(ChartArea(size(), painter.fontMetrics()));
    PaintValueAxis(painter, m_plan);
    PaintTimeAxis(painter, m_plan);
    PaintBands(painter, m_plan);
    PaintLines(painter, m_plan);
    PaintStrip(painter, m_plan.gpsStrip, m_plan.gpsRuns);
    PaintStrip(painter, m_plan.syncStrip, m_plan.syncRuns);
    painter.setPen(Qt::black);
    painter.drawRect(ToQRect(m_plan.plot).adjusted(0, 0, -1, -1));
}
