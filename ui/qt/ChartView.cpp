#include "ChartView.h"

#include "QtPixelRect.h"

#include <QPainter>

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

void PaintSegments(QPainter& painter, const std::vector<PixelSegment>& segments, const QColor& colour) {
    painter.setPen(colour);
    for (const PixelSegment& segment : segments) {
        painter.drawLine(segment.from.x, segment.from.y, segment.to.x, segment.to.y);
    }
}

void PaintLabels(QPainter& painter, const ChartPlan& plan) {
    const int ascent = painter.fontMetrics().ascent();
    painter.setPen(Qt::black);
    for (const ChartLabel& label : plan.labels) {
        painter.drawText(label.cell.x, label.cell.y + ascent, QString::fromStdString(label.text));
    }
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
    m_plan = m_source(width(), height(),
                      ChartFont{metrics.height(), [&metrics](const std::string& text) {
                                    return metrics.horizontalAdvance(QString::fromStdString(text));
                                }});
    PaintSegments(painter, m_plan.gridLines, Rgb(kChartGrid));
    PaintSegments(painter, m_plan.tickMarks, Qt::black);
    PaintBands(painter, m_plan);
    PaintLines(painter, m_plan);
    PaintStrip(painter, m_plan.gpsStrip, m_plan.gpsRuns);
    PaintStrip(painter, m_plan.syncStrip, m_plan.syncRuns);
    PaintLabels(painter, m_plan);
    painter.setPen(Qt::black);
    painter.drawRect(ToQRect(m_plan.plot).adjusted(0, 0, -1, -1));
}
