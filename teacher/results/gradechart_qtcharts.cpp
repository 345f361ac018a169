#include "teacher/results/gradechart.h"
#include "teacher/results/classresults.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHorizontalStackedBarSeries>
#include <QValueAxis>

namespace {

// The bars' colours, from grade 2 to grade 5: from alarm to calm.
constexpr QRgb GradeColours[] = {0xd9534f, 0xf0ad4e, 0x5bc0de, 0x5cb85c};

} // namespace

QWidget *makeGradeChart()
{
    auto *chart = new QChart;
    chart->setTitle(QStringLiteral("Оценки по темам"));
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto *view = new QChartView(chart);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(360);   // room for nine topic names, one beside each bar
    return view;
}

void showGrades(QWidget &chartView, const ClassResults &results)
{
    QChart &chart = *static_cast<QChartView &>(chartView).chart();
    chart.removeAllSeries();
    for (QAbstractAxis *axis : chart.axes())
        chart.removeAxis(axis);
    // A horizontal chart leaves room for long topic names; its first category is at the
    // bottom, so the topics go in backwards to read from the top down like the table.
    QStringList topics;
    for (auto i = quint32(results.topics.size()); i-- > 0;)
        topics.append(results.topics[i].toString());
    auto *series = new QHorizontalStackedBarSeries;
    bool anyGrade = false;
    for (int g = LowestGrade; g <= HighestGrade; ++g) {
        auto *set = new QBarSet(QStringLiteral("Оценка %1").arg(g));
        set->setColor(QColor(GradeColours[g - LowestGrade]));
        for (auto i = qsizetype(results.grades.size()) - 1; i >= 0; --i) {
            const auto count = results.grades[size_t(i)].count[size_t(g - LowestGrade)];
            anyGrade = anyGrade || count > 0;
            set->append(double(count));
        }
        series->append(set);
    }
    chart.addSeries(series);
    auto *topicAxis = new QBarCategoryAxis;
    topicAxis->append(topics);
    chart.addAxis(topicAxis, Qt::AlignLeft);
    series->attachAxis(topicAxis);
    auto *countAxis = new QValueAxis;
    countAxis->setLabelFormat(QStringLiteral("%d"));
    countAxis->setTitleText(QStringLiteral("Число оценок"));
    chart.addAxis(countAxis, Qt::AlignBottom);
    series->attachAxis(countAxis);
    // With no grade yet the axis has no range of its own to round.
    if (anyGrade)
        countAxis->applyNiceNumbers();
    else
        countAxis->setRange(0, 1);
}
