#include "scoring/AwardChart.h"

#include "scoring/AwardReview.h"

#include <QAreaSeries>
#include <QChart>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

#include <cmath>

namespace {

const char* const kLineLabels[4] = {"1", "2", "3", "П"};
const QColor kFill[5] = {QColor(0xA9, 0xC8, 0xE8), QColor(0xE8, 0xC0, 0x30), QColor(0xB8, 0xBE, 0xC6),
                         QColor(0xD0, 0x8C, 0x4C), QColor(0x7C, 0xC0, 0x7C)};
const QColor kLine[5] = {QColor(0x4A, 0x6F, 0x99), QColor(0x9A, 0x75, 0x00), QColor(0x5F, 0x6A, 0x74),
                         QColor(0x8A, 0x4F, 0x1D), QColor(0x2F, 0x7A, 0x2F)};

// A step of 1, 2 or 5 times a power of ten, at least `raw`.
double niceStep(double raw) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw - 1e-9) return m * power;
    return 10 * power;
}

// The step of 1, 2 or 5 times a power of ten nearest to `raw` (by ratio).
double nearStep(double raw) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double best = power;
    for (double m : {2.0, 5.0, 10.0})
        if (std::abs(std::log(m * power / raw)) < std::abs(std::log(best / raw))) best = m * power;
    return best;
}

double value(Score s) { return double(s.hundredths()) / 100.0; }

QValueAxis* axis(QChart* chart, const QString& title, const char* format, Qt::Alignment side) {
    auto* a = new QValueAxis(chart);
    a->setTitleText(title);
    a->setLabelFormat(QString::fromLatin1(format));
    a->setTickType(QValueAxis::TicksDynamic);
    a->setTickAnchor(0);
    chart->addAxis(a, side);
    return a;
}

}  // namespace

TAwardChart::TAwardChart(QWidget* parent) : QChartView(new QChart, parent) {
    chart()->legend()->setAlignment(Qt::AlignBottom);
    chart()->setMargins(QMargins(4, 4, 4, 4));
    m_axisX = axis(chart(), QStringLiteral("Сумма баллов"), "%g", Qt::AlignBottom);
    m_axisY = axis(chart(), QStringLiteral("Участников"), "%.0f", Qt::AlignLeft);
    setRenderHint(QPainter::Antialiasing);
    setMinimumSize(560, 300);
    setFocusPolicy(Qt::NoFocus);
}

void TAwardChart::draw(const QList<awardrules::Participant>& list, const awardrules::Cuts& cuts,
                       const std::optional<Score>& maxTotal, int minPercent) {
    chart()->removeAllSeries();
    // The range: up to the greatest total the subject allows, or reached, or a cut-off.
    double top = 1;
    if (maxTotal) top = std::max(top, value(*maxTotal));
    for (const awardrules::Participant& p : list) top = std::max(top, value(p.total));
    for (const auto& c : cuts)
        if (c) top = std::max(top, value(*c));
    // Bins enough to show the shape and few enough to fill them: about twice the square root of the
    // number of participants, between 20 and 40.
    const double wanted = std::clamp(2 * std::sqrt(double(list.size())), 20.0, 40.0);
    const double width = std::max(0.5, nearStep(top / wanted));
    const int bins = int(std::floor(top / width + 1e-9)) + 1;
    const double right = bins * width;

    // Per bin, how many of each award; stacked from degree 1 at the bottom to none on top.
    std::vector<std::array<int, 5>> count(size_t(bins), std::array<int, 5>{});
    for (const awardrules::Participant& p : list) {
        const int bin = std::clamp(int(std::floor(value(p.total) / width + 1e-9)), 0, bins - 1);
        ++count[size_t(bin)][size_t(awardrules::degreeOf(p.total, cuts))];
    }
    int highest = 0;
    for (const auto& c : count) highest = std::max(highest, c[0] + c[1] + c[2] + c[3] + c[4]);
    const double yStep = niceStep(std::max(1.0, highest / 6.0));
    const double yTop = (std::floor(highest / yStep) + 1) * yStep;

    std::vector<int> below(size_t(bins), 0);
    for (int d : awardrules::kListOrder) {
        auto* area = new QAreaSeries;
        auto* upper = new QLineSeries(area);
        auto* lower = new QLineSeries(area);
        for (int b = 0; b < bins; ++b) {
            const int under = below[size_t(b)];
            const int over = under + count[size_t(b)][size_t(d)];
            upper->append(b * width, over);
            upper->append((b + 1) * width, over);
            lower->append(b * width, under);
            lower->append((b + 1) * width, under);
            below[size_t(b)] = over;
        }
        area->setUpperSeries(upper);
        area->setLowerSeries(lower);
        area->setName(awardrules::awardName(d));
        area->setColor(kFill[d]);
        area->setBorderColor(kFill[d].darker(140));
        chart()->addSeries(area);
        area->attachAxis(m_axisX);
        area->attachAxis(m_axisY);
    }
    drawLines(cuts, maxTotal, minPercent, right, yTop);
    m_axisX->setRange(0, right);
    m_axisX->setTickInterval(niceStep(right / 12));
    m_axisY->setRange(0, yTop);
    m_axisY->setTickInterval(yStep);
}

void TAwardChart::drawLines(const awardrules::Cuts& cuts, const std::optional<Score>& maxTotal, int minPercent,
                            double right, double top) {
    struct Line {
        double x;
        QColor colour;
        Qt::PenStyle style;
        QString label;
    };
    std::vector<Line> lines;
    if (maxTotal && minPercent > 0)
        lines.push_back({value(*maxTotal) * minPercent / 100.0, Qt::darkGray, Qt::DotLine, QStringLiteral("%1 %").arg(minPercent)});
    for (int d = 1; d <= 4; ++d)
        if (cuts[size_t(d - 1)])
            lines.push_back({value(*cuts[size_t(d - 1)]), kLine[d], Qt::DashLine, QString::fromUtf8(kLineLabels[d - 1])});
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.x < b.x; });
    const auto add = [this](QAbstractSeries* s) {
        chart()->addSeries(s);
        s->attachAxis(m_axisX);
        s->attachAxis(m_axisY);
        for (QLegendMarker* m : chart()->legend()->markers(s)) m->setVisible(false);
    };
    // A label close to the one before it goes lower, so that none covers another.
    double lastX = -1e9;
    int level = 0;
    for (const Line& l : lines) {
        level = l.x - lastX < right / 15 ? (level + 1) % 3 : 0;
        lastX = l.x;
        const double y = top * (1 - 0.09 * level);  // the line ends at its label
        auto* s = new QLineSeries;
        s->append(l.x, 0);
        s->append(l.x, y);
        s->setPen(QPen(l.colour, 2, l.style));
        add(s);
        auto* mark = new QScatterSeries;
        mark->append(l.x, y);
        mark->setMarkerSize(6);
        mark->setColor(l.colour);
        mark->setBorderColor(l.colour);
        mark->setPointLabelsFormat(l.label);
        mark->setPointLabelsVisible(true);
        mark->setPointLabelsClipping(false);
        mark->setPointLabelsColor(l.colour);
        QFont bold = mark->pointLabelsFont();
        bold.setBold(true);
        bold.setPointSizeF(bold.pointSizeF() * 1.2);
        mark->setPointLabelsFont(bold);
        add(mark);
    }
}
