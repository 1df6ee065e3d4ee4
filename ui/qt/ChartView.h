#pragma once

#include "devicelog/ChartPlan.h"

#include <QWidget>

#include <functional>

// The device log's offset chart: paints the plan its source makes for the room it leaves inside for
// its labels, and nothing of its own making but the strips' labels. Without a source it stays empty.
class CChartView : public QWidget {
    Q_OBJECT

public:
    using PlanSource = std::function<ChartPlan(const ChartFrame& frame)>;

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
