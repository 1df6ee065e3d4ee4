#pragma once

#include "devicelog/ChartLabels.h"
#include "devicelog/ChartPlan.h"

#include <QWidget>

#include <functional>

// The device log's offset chart: paints the plan its source makes for the widget's size and font, and
// nothing of its own making. Without a source it stays empty.
class CChartView : public QWidget {
    Q_OBJECT

public:
    using PlanSource = std::function<ChartPlan(int width, int height, const ChartFont& font)>;

    explicit CChartView(QWidget* parent);

    void SetPlanSource(PlanSource source);
    // The plan of the last paint, for tests.
    const ChartPlan& LastPlan() const { return m_plan; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PlanSource m_source;
    ChartPlan m_plan;
};
