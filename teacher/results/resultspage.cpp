#include "teacher/results/resultspage.h"
#include "quiz/problemtexts.h"
#include "teacher/results/gradechart.h"
#include "teacher/results/resultsmodel.h"

#include <QApplication>
#include <QCollator>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <numeric>

namespace {

template <class T>
T *named(QWidget *widget, const char *name, const char *accessibleName)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setAccessibleName(QString::fromUtf8(accessibleName));
    return static_cast<T *>(widget);
}

QLabel *labelFor(QWidget *buddy, const QString &text)
{
    auto *label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QString meanText(std::optional<double> mean)
{
    return mean ? QLocale(QLocale::Russian).toString(*mean, 'f', 2) : QStringLiteral("—");
}

// The topics in alphabetical order, each with its index in the results, after "Все темы".
void fillTopicFilter(QComboBox &box, const TextPool &topics)
{
    std::vector<int> order(size_t(topics.size()));
    std::iota(order.begin(), order.end(), 0);
    QCollator collator{QLocale(QLocale::Russian)};
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return collator.compare(topics[quint32(a)], topics[quint32(b)]) < 0; });
    box.clear();
    box.addItem(QStringLiteral("Все темы"), -1);
    for (const int topic : order)
        box.addItem(topics[quint32(topic)].toString(), topic);
}

QTableWidgetItem *numberItem(qint64 value)
{
    auto *item = new QTableWidgetItem;
    item->setData(Qt::DisplayRole, value);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

// The same numbers as the chart, for reading and for a screen reader.
void fillSummary(QTableWidget &table, const ClassResults &results)
{
    table.setSortingEnabled(false);
    table.setRowCount(int(results.topics.size()));
    for (int i = 0; i < results.topics.size(); ++i) {
        const TopicGrades &grades = results.grades[size_t(i)];
        table.setItem(i, 0, new QTableWidgetItem(results.topics[quint32(i)].toString()));
        table.setItem(i, 1, numberItem(grades.graded() + grades.outside));
        for (size_t g = 0; g < grades.count.size(); ++g)
            table.setItem(i, 2 + int(g), numberItem(grades.count[g]));
        auto *mean = new QTableWidgetItem(meanText(grades.mean()));
        mean->setTextAlignment(Qt::AlignCenter);
        table.setItem(i, 6, mean);
    }
    table.setSortingEnabled(true);
}

QString noticesText(const ClassResults &results)
{
    if (results.fault)
        return *results.fault;
    QStringList lines;
    for (const FileProblem &notice : results.notices)
        lines.append(notice.message);
    return lines.join(QLatin1Char('\n'));
}

// The source rows in the order the table shows them, filter applied.
std::vector<int> shownRows(const QSortFilterProxyModel &filter)
{
    std::vector<int> rows;
    rows.reserve(size_t(filter.rowCount()));
    for (int i = 0; i < filter.rowCount(); ++i)
        rows.push_back(filter.mapToSource(filter.index(i, 0)).row());
    return rows;
}

QString askCsvPath(QWidget *page)
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    // Qt's own dialog on every system, so that it reads the same everywhere and a test can answer it.
    QFileDialog dialog(page, QStringLiteral("Экспорт в CSV"), QDir(documents).filePath(QStringLiteral("результаты.csv")),
                       QStringLiteral("Таблица CSV (*.csv)"));
    dialog.setObjectName(QStringLiteral("exportDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void exportCsv(QWidget *page, const ResultsModel &model, const ResultsFilter &filter, QLabel &status)
{
    const QString path = askCsvPath(page);
    if (path.isEmpty())
        return;
    const std::vector<int> rows = shownRows(filter);
    if (const std::optional<QString> failure = writeResultsCsv(path, model.results(), rows)) {
        QMessageBox::warning(page, QStringLiteral("Экспорт в CSV"), *failure);
        return;
    }
    status.setText(problemText(ProblemId::ResultsCsvWritten, QDir::toNativeSeparators(path), qint64(rows.size())));
}

} // namespace

ResultsPage::ResultsPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ResultsPage"));
    setAccessibleName(QStringLiteral("Результаты"));
    auto *model = new ResultsModel(this);
    auto *filter = new ResultsFilter(model);

    auto *recordsPath = named<QLabel>(new QLabel, "recordsPath", "Файл рекордов");
    auto *notices = named<QLabel>(new QLabel, "notices", "Замечания к файлу рекордов");
    notices->setWordWrap(true);
    notices->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto *nameFilter = named<QLineEdit>(new QLineEdit, "nameFilter", "Фильтр по имени");
    nameFilter->setPlaceholderText(QStringLiteral("часть имени"));
    nameFilter->setClearButtonEnabled(true);
    auto *topicFilter = named<QComboBox>(new QComboBox, "topicFilter", "Фильтр по теме");
    topicFilter->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto *refresh = named<QPushButton>(new QPushButton(QStringLiteral("Обновить")), "refresh", "Обновить");
    refresh->setToolTip(QStringLiteral("Прочитать файл рекордов заново (F5)"));
    auto *exportButton =
        named<QPushButton>(new QPushButton(QStringLiteral("Экспорт в CSV…")), "exportCsv", "Экспорт в CSV");
    exportButton->setToolTip(problemText(ProblemId::ResultsCsvFormat));
    auto *csvNote = named<QLabel>(new QLabel(problemText(ProblemId::ResultsCsvFormat)), "csvNote", "О файле CSV");
    csvNote->setWordWrap(true);
    auto *exportStatus = named<QLabel>(new QLabel, "exportStatus", "Итог экспорта");

    auto *table = named<QTableView>(new QTableView, "resultsTable", "Результаты: имя, тема, оценка");
    table->setModel(filter);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Unsorted at first: rows in file order, as the records window lists them.
    table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table->setSortingEnabled(true);
    table->horizontalHeader()->setSectionResizeMode(ResultsModel::TopicColumn, QHeaderView::Stretch);

    auto *summary = named<QTableWidget>(new QTableWidget(0, 7), "topicSummary", "Оценки по темам");
    summary->setHorizontalHeaderLabels({QStringLiteral("Тема"), QStringLiteral("Записей"), QStringLiteral("«2»"),
                                        QStringLiteral("«3»"), QStringLiteral("«4»"), QStringLiteral("«5»"),
                                        QStringLiteral("Средний балл")});
    summary->setEditTriggers(QAbstractItemView::NoEditTriggers);
    summary->setSelectionBehavior(QAbstractItemView::SelectRows);
    summary->verticalHeader()->hide();
    // Every number always in sight; a topic name gives way first.
    summary->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    summary->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    summary->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);   // as the chart: first met, first

    QWidget *chart = named<QWidget>(makeGradeChart(), "gradeChart", "Диаграмма оценок по темам");
    chart->setAccessibleDescription(problemText(ProblemId::ResultsChartDescription));

    auto *filters = new QHBoxLayout;
    filters->addWidget(labelFor(nameFilter, QStringLiteral("&Имя:")));
    filters->addWidget(nameFilter, 1);
    filters->addWidget(labelFor(topicFilter, QStringLiteral("&Тема:")));
    filters->addWidget(topicFilter, 1);
    filters->addWidget(refresh);
    filters->addWidget(exportButton);

    // The chart across the whole width, so that the long topic names stand beside their bars.
    auto *tables = new QSplitter(Qt::Horizontal);
    tables->addWidget(table);
    tables->addWidget(summary);
    tables->setStretchFactor(0, 2);
    tables->setStretchFactor(1, 3);
    auto *splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(tables);
    splitter->addWidget(chart);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(recordsPath);
    layout->addWidget(notices);
    layout->addLayout(filters);
    layout->addWidget(csvNote);
    layout->addWidget(exportStatus);
    layout->addWidget(splitter, 1);
    QWidget *order[] = {nameFilter, topicFilter, refresh, exportButton, table, summary};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(model, &ResultsModel::opened, this, [=] {
        const ClassResults &results = model->results();
        recordsPath->setText(QStringLiteral("Файл рекордов: %1 — записей: %2")
                                 .arg(QDir::toNativeSeparators(model->recordsPath()))
                                 .arg(results.rows.size()));
        notices->setText(noticesText(results));
        notices->setVisible(!notices->text().isEmpty());
        exportStatus->clear();
        const QSignalBlocker quiet(topicFilter);   // the filter has already gone back to every topic
        fillTopicFilter(*topicFilter, results.topics);
        fillSummary(*summary, results);
        showGrades(*chart, results);
    });
    connect(nameFilter, &QLineEdit::textChanged, filter, &ResultsFilter::setNameFilter);
    connect(topicFilter, &QComboBox::currentIndexChanged, this,
            [=] { filter->setTopicFilter(topicFilter->currentData().toInt()); });
    connect(exportButton, &QPushButton::clicked, this, [=, this] { exportCsv(this, *model, *filter, *exportStatus); });
    const auto reread = [=, this] {
        if (!model->recordsPath().isEmpty())
            openFolder(QFileInfo(model->recordsPath()).path());
    };
    connect(refresh, &QPushButton::clicked, this, reread);
    auto *refreshKey = new QShortcut(QKeySequence::Refresh, this);
    refreshKey->setContext(Qt::WidgetWithChildrenShortcut);   // not while another tab is shown
    connect(refreshKey, &QShortcut::activated, this, reread);
}

void ResultsPage::openFolder(const QString &folder)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    findChild<ResultsModel *>()->open(folder);
    QApplication::restoreOverrideCursor();
}
