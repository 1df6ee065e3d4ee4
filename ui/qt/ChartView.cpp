#include "ChartView.h"

#include "QtPixelRect.h"
#include "resources/StringTable.h"
#include "ui/DeviceLogRows.h"

#include <QPainter>

#include <algorithm>
#include <utility>

namespace {

QColor Rgb(std::uint32_t rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void PaintBands(QPainter& painter, const ChartPlan& plan) {
    painter.setPen(Rgb(kChartBand));
    for (const std::vector<BandColumn>& band : plan.bands) {
        for (const BandColumn& column : band) {
            painter.drawLine(column.x, column.top, column.x, column.bottom);
        }
    }
}

// A run of one point is a dot, so that the first reading of a connection shows at once.
void PaintLines(QPainter& painter, const ChartPlan& plan) {
    painter.setPen(QPen(Rgb(kChartLine), 1));
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

// Each strip's label left of it, level with it.
void PaintStripLabels(QPainter& painter, const ChartPlan& plan) {
    const QFontMetrics metrics = painter.fontMetrics();
    painter.setPen(Qt::black);
    const PixelRect* strips[] = {&plan.gpsStrip, &plan.syncStrip};
    for (std::size_t index = 0; index < kChartStripLabels.size(); ++index) {
        const QString label = QString::fromUtf8(LoadStringResource(kChartStripLabels[index]));
        const PixelRect& strip = *strips[index];
        painter.drawText(plan.plot.x - kChartLabelGap - metrics.horizontalAdvance(label),
                         strip.y + (strip.height + metrics.ascent() - metrics.descent()) / 2, label);
    }
}

void PaintValueAxis(QPainter& painter, const ChartPlan& plan) {
    const QFontMetrics metrics = painter.fontMetrics();
    for (const ValueTick& tick : plan.valueTicks) {
        painter.setPen(Rgb(kChartGrid));
        painter.drawLine(plan.plot.x, tick.y, plan.plot.x + plan.plot.width - 1, tick.y);
        painter.setPen(Qt::black);
        painter.drawLine(plan.plot.x - kChartTickLength, tick.y, plan.plot.x, tick.y);
        const QString label = QString::fromStdString(tick.label);
        const int width = metrics.horizontalAdvance(label);
        painter.drawText(plan.plot.x - kChartTickLength - kChartLabelGap - width,
                         tick.y + metrics.ascent() / 2, label);
    }
    painter.drawText(kChartLabelGap, plan.plot.y - kChartLabelGap, QString::fromUtf8(plan.unit));
}

void PaintTimeAxis(QPainter& painter, const ChartPlan& plan) {
    const QFontMetrics metrics = painter.fontMetrics();
    const int bottom = plan.plot.y + plan.plot.height;
    for (const TimeTick& tick : plan.timeTicks) {
        painter.setPen(Rgb(kChartGrid));
        painter.drawLine(tick.x, plan.plot.y, tick.x, bottom - 1);
        painter.setPen(Qt::black);
        painter.drawLine(tick.x, bottom, tick.x, bottom + kChartTickLength);
        const QString label = QString::fromStdString(tick.label);
        painter.drawText(tick.x - metrics.horizontalAdvance(label) / 2,
                         plan.syncStrip.y + plan.syncStrip.height + kChartLabelGap + metrics.ascent(), label);
    }
}

// The usual widest labels: a value of the axis's widest kind, a time of day, and the strips' own.
ChartLabelRoom LabelRoom(const QFontMetrics& metrics) {
    int stripLabelWidth = 0;
    for (const int label : kChartStripLabels) {
        stripLabelWidth = std::max(stripLabelWidth,
                                   metrics.horizontalAdvance(QString::fromUtf8(LoadStringResource(label))));
    }
    return ChartLabelRoom{metrics.horizontalAdvance(QStringLiteral("-888.88")),
                          metrics.horizontalAdvance(QStringLiteral("88:88")), metrics.height(),
                          stripLabelWidth};
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
    const QFontMetrics metrics = painter.fontMetrics();
    m_plan = PlanWithLabelsFitted(m_source, width(), height(), LabelRoom(metrics),
                                  [&metrics](const std::string& label) {
                                      return metrics.horizontalAdvance(QString::fromStdString(label));
                                  });
    PaintValueAxis(painter, m_plan);
    PaintTimeAxis(painter, m_plan);
    PaintBands(painter, m_plan);
    PaintLines(painter, m_plan);
    PaintStrip(painter, m_plan.gpsStrip, m_plan.gpsRuns);
    PaintStrip(painter, m_plan.syncStrip, m_plan.syncRuns);
    PaintStripLabels(painter, m_plan);
    painter.setPen(Qt::black);
    painter.drawRect(ToQRect(m_plan.plot).adjusted(0, 0, -1, -1));
}
