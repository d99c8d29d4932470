#pragma once

#include "scoring/AwardRules.h"

#include <QChartView>

class QValueAxis;

// The award assistant's chart: the totals of a subject and grade as a histogram stacked by the
// award each would get, with a line at each cut-off and at the rules' share of the greatest total.
class TAwardChart : public QChartView {
    Q_OBJECT
public:
    explicit TAwardChart(QWidget* parent);
    // `minPercent`: the rule "no diploma below % of the greatest total", drawn when that is known.
    void draw(const QList<awardrules::Participant>& list, const awardrules::Cuts& cuts,
              const std::optional<Score>& maxTotal, int minPercent);

private:
    // The vertical lines, each with its label over the plot, up to `top` of the count axis.
    void drawLines(const awardrules::Cuts& cuts, const std::optional<Score>& maxTotal, int minPercent, double right,
                   double top);
    QValueAxis* m_axisX;
    QValueAxis* m_axisY;
};
