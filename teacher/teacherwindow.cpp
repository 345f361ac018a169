#include "teacher/teacherwindow.h"
#include "teacher/results/resultspage.h"
#include "teacher/limits.h"
#include "teacher/preview.h"
#include "teacher/quizfolder.h"
#include "teacher/wholesave.h"
#include "shell/textfit.h"
#include "quiz/problemtexts.h"
#include "quiz/quizstate.h"
#include "topics/catalogue.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString Title = QStringLiteral("Тесты по ЗУФ — учитель");

// One edit of the bank: a change and its reverse, shown at a question. Consecutive
// typing in one field merges into one step.
class BankEdit : public QUndoCommand {
public:
    using Change = std::function<void(EditedBank &)>;
    BankEdit(TeacherWindow &window, const QString &text, Change redo, Change undo, int question,
             bool structural, int mergeKey = -1, int questionBefore = -1)
        : QUndoCommand(text), window_(window), redo_(std::move(redo)), undo_(std::move(undo)),
          question_(question), questionBefore_(questionBefore < 0 ? question : questionBefore),
          structural_(structural), mergeKey_(mergeKey)
    {
    }
    void redo() override { window_.applyBank(redo_, question_, structural_); }
    void undo() override { window_.applyBank(undo_, questionBefore_, structural_); }
    int id() const override { return mergeKey_ < 0 ? -1 : 1; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const BankEdit *>(other);
        if (next->mergeKey_ != mergeKey_)
            return false;
        redo_ = next->redo_;
        return true;
    }

private:
    TeacherWindow &window_;
    Change redo_, undo_;
    int question_, questionBefore_;
    bool structural_;
    int mergeKey_;
};

// The question list: a drop moves a question through the window's own move, so
// that dragging is one undoable step like the buttons.
class QuestionList : public QListWidget {
public:
    std::function<void(int, int)> moved;
    using QListWidget::QListWidget;

protected:
    void dropEvent(QDropEvent *event) override
    {
        const int from = currentRow();
        int to = indexAt(event->position().toPoint()).row();
        if (to < 0)
            to = count() - 1;
        event->setDropAction(Qt::IgnoreAction);
        event->accept();
        if (from >= 0 && to != from && moved)
            moved(from, to);
    }
};

QuestionRecord blankQuestion()
{
    return QuestionRecord{};
}

QString topicEntry(const Topic &topic, const QString &folder)
{
    const bool present = QFileInfo(QDir(folder).filePath(topic.file)).isFile();
    return QStringLiteral("%1 — %2%3").arg(topic.name, topic.file, present ? QString() : QStringLiteral(" (нет файла)"));
}

QStringList firstTenOf(const QString &path)
{
    const OpenedBank opened = openBankFile(path);
    QStringList questions;
    for (size_t i = 0; i < opened.bank.records.size() && i < size_t(QuestionsPerTest); ++i)
        questions << opened.bank.records[i].question;
    return questions;
}

QPushButton *actionButton(QAction *action, QWidget *parent)
{
    auto *button = new QPushButton(action->text(), parent);
    button->setObjectName(action->objectName() + QStringLiteral("Button"));
    button->setAccessibleName(action->text());
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::enabledChanged, button, &QPushButton::setEnabled);
    button->setEnabled(action->isEnabled());
    return button;
}

} // namespace

TeacherWindow::TeacherWindow()
{
    setObjectName(QStringLiteral("TeacherWindow"));
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/icons/teacher-%1.png").arg(size));
    setWindowIcon(icon);
    startProgram = [](const QString &program, const QString &folder) {
        qint64 pid = 0;
        return QProcess::startDetached(program, {}, folder, &pid) ? pid : 0;
    };
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabs"));
    setCentralWidget(tabs_);
    buildActions();
    tabs_->addTab(buildQuestionsTab(), QStringLiteral("Вопросы"));
    addResultsTab();
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("note"));
    note_->setWordWrap(true);
    statusBar()->addWidget(note_, 1);
    checkTimer_.setSingleShot(true);
    checkTimer_.setInterval(250);
    connect(&checkTimer_, &QTimer::timeout, this, [this] {
        // The check runs on a copy away from the window: typing never waits for it.
        const quint64 generation = ++checkGeneration_;
        QPointer<TeacherWindow> self(this);
        QThreadPool::globalInstance()->start([self, generation, bank = bank_, others = otherTopics_] {
            std::vector<BankProblem> found = checkBank(bank, others);
            QMetaObject::invokeMethod(qApp, [self, generation, found = std::move(found)] {
                if (self && generation == self->checkGeneration_)
                    self->showProblems(found);
            });
        });
    });
    fits_ = pupilWindowFit();
    connect(&fitTimer_, &QTimer::timeout, this, &TeacherWindow::measureSomeTexts);
    previewTimer_.setSingleShot(true);
    previewTimer_.setInterval(120);
    connect(&previewTimer_, &QTimer::timeout, this, &TeacherWindow::drawPreview);
    connect(&undo_, &QUndoStack::cleanChanged, this, &TeacherWindow::updateTitle);
    resize(1340, 760);
    updateTitle();
}

TeacherWindow::~TeacherWindow()
{
    ++checkGeneration_;
    dropEndedTrials(true);
}

// A trial's folder goes once its pupil's program has ended. One still in use when
// the workbench closes is left to the system's temporary files, not pulled from
// under the pupil.
void TeacherWindow::dropEndedTrials(bool closing)
{
    std::erase_if(trials_, [closing](PupilTrial &trial) {
        const bool running = processRunning(trial.pid);
        if (running && closing)
            trial.folder->setAutoRemove(false);
        return closing || !running;
    });
}

void TeacherWindow::buildActions()
{
    struct Row {
        const char *name, *text;
        QKeySequence keys;
        void (TeacherWindow::*handler)();
    };
    const Row rows[] = {
        {"open", "Открыть", QKeySequence::Open, nullptr},
        {"openFolder", "Открыть папку", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), nullptr},
        {"save", "Сохранить", QKeySequence::Save, nullptr},
        {"addQuestion", "Новый вопрос", QKeySequence(Qt::CTRL | Qt::Key_N), &TeacherWindow::addQuestion},
        {"duplicateQuestion", "Дублировать вопрос", QKeySequence(Qt::CTRL | Qt::Key_D), &TeacherWindow::duplicateQuestion},
        {"deleteQuestion", "Удалить вопрос", QKeySequence(Qt::CTRL | Qt::Key_Delete), &TeacherWindow::deleteQuestion},
        {"moveUp", "Выше", QKeySequence(Qt::CTRL | Qt::Key_Up), nullptr},
        {"moveDown", "Ниже", QKeySequence(Qt::CTRL | Qt::Key_Down), nullptr},
        {"tryAsPupil", "Проверить как ученик", QKeySequence(Qt::Key_F5), &TeacherWindow::startPupilTest},
    };
    for (const Row &row : rows) {
        auto *action = new QAction(QString::fromUtf8(row.text), this);
        action->setObjectName(QString::fromLatin1(row.name));
        action->setShortcut(row.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        if (row.handler)
            connect(action, &QAction::triggered, this, row.handler);
    }
    connect(findChild<QAction *>(QStringLiteral("open")), &QAction::triggered, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Открыть"), folder_,
                                                          QStringLiteral("Файлы вопросов (*.ssu);;Все файлы (*)"));
        if (!path.isEmpty())
            openFile(path);
    });
    connect(findChild<QAction *>(QStringLiteral("openFolder")), &QAction::triggered, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Открыть папку"), folder_);
        if (!folder.isEmpty())
            openFolder(folder);
    });
    connect(findChild<QAction *>(QStringLiteral("save")), &QAction::triggered, this, &TeacherWindow::save);
    connect(findChild<QAction *>(QStringLiteral("moveUp")), &QAction::triggered, this,
            [this] { moveQuestion(current_, current_ - 1); });
    connect(findChild<QAction *>(QStringLiteral("moveDown")), &QAction::triggered, this,
            [this] { moveQuestion(current_, current_ + 1); });
    QAction *undo = undo_.createUndoAction(this, QStringLiteral("Отменить"));
    undo->setObjectName(QStringLiteral("undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction *redo = undo_.createRedoAction(this, QStringLiteral("Вернуть"));
    redo->setObjectName(QStringLiteral("redo"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    addActions({undo, redo});
}

QWidget *TeacherWindow::buildQuestionsTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("questionsTab"));
    auto *layout = new QVBoxLayout(page);

    auto *bar = new QHBoxLayout;
    for (const char *name : {"open", "openFolder", "save", "undo", "redo", "tryAsPupil"})
        bar->addWidget(actionButton(findChild<QAction *>(QString::fromLatin1(name)), page));
    bar->addStretch();
    layout->addLayout(bar);

    auto *splitter = new QSplitter(page);
    layout->addWidget(splitter, 1);

    auto *left = new QWidget(splitter);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    topics_ = new QListWidget(left);
    topics_->setObjectName(QStringLiteral("topics"));
    topics_->setAccessibleName(QStringLiteral("Темы"));
    topics_->setMaximumHeight(170);
    connect(topics_, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        openFile(QDir(folder_).filePath(item->data(Qt::UserRole).toString()));
    });
    auto *questionsLabel = new QLabel(QStringLiteral("&Вопросы (★ — первые десять, их видит ученик)"), left);
    auto *list = new QuestionList(left);
    questions_ = list;
    questionsLabel->setBuddy(questions_);
    questions_->setObjectName(QStringLiteral("questions"));
    questions_->setAccessibleName(QStringLiteral("Вопросы"));
    questions_->setDragDropMode(QAbstractItemView::InternalMove);
    questions_->setUniformItemSizes(true);
    list->moved = [this](int from, int to) { moveQuestion(from, to); };
    connect(questions_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!filling_ && row >= 0) {
            current_ = row;
            showCurrent();
        }
    });
    questions_->installEventFilter(this);
    leftLayout->addWidget(topics_);
    leftLayout->addWidget(questionsLabel);
    leftLayout->addWidget(questions_, 1);
    auto *buttons = new QGridLayout;
    int i = 0;
    for (const char *name : {"addQuestion", "duplicateQuestion", "deleteQuestion", "moveUp", "moveDown"}) {
        buttons->addWidget(actionButton(findChild<QAction *>(QString::fromLatin1(name)), left), i / 3, i % 3);
        ++i;
    }
    leftLayout->addLayout(buttons);

    auto *middle = new QScrollArea(splitter);
    middle->setWidgetResizable(true);
    middle->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    middle->setWidget(buildEditor());

    preview_ = new PupilPreview(splitter);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({280, 480, 560});
    return page;
}

QWidget *TeacherWindow::buildEditor()
{
    auto *editor = new QWidget;
    auto *layout = new QVBoxLayout(editor);
    auto *form = new QFormLayout;
    questionEdit_ = new QLineEdit(editor);
    questionEdit_->setObjectName(QStringLiteral("questionText"));
    questionEdit_->setAccessibleName(QStringLiteral("Текст вопроса"));
    questionEdit_->installEventFilter(this);
    connect(questionEdit_, &QLineEdit::textEdited, this, [this](const QString &text) { editText(0, text); });
    auto *questionLabel = new QLabel(QStringLiteral("&Текст вопроса:"), editor);
    questionLabel->setBuddy(questionEdit_);
    form->addRow(questionLabel, questionEdit_);
    for (int k = 0; k < 4; ++k) {
        auto *row = new QHBoxLayout;
        auto *edit = new QLineEdit(editor);
        edit->setObjectName(QStringLiteral("answer%1").arg(k + 1));
        edit->setAccessibleName(QStringLiteral("Ответ %1").arg(k + 1));
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textEdited, this, [this, k](const QString &text) { editText(k + 1, text); });
        auto *box = new QCheckBox(QStringLiteral("верный"), editor);
        box->setObjectName(QStringLiteral("right%1").arg(k + 1));
        box->setAccessibleName(QStringLiteral("Верный ответ %1").arg(k + 1));
        connect(box, &QCheckBox::clicked, this, [this, k](bool checked) { editFlag(k + 1, checked); });
        row->addWidget(edit, 1);
        row->addWidget(box);
        auto *label = new QLabel(QStringLiteral("Ответ &%1:").arg(k + 1), editor);
        label->setBuddy(edit);
        form->addRow(label, row);
        answerEdits_[size_t(k)] = edit;
        rightBoxes_[size_t(k)] = box;
    }
    layout->addLayout(form);
    layout->addWidget(buildLimits());

    auto *problemsLabel = new QLabel(QStringLiteral("&Замечания"), editor);
    problems_ = new QListWidget(editor);
    problems_->setObjectName(QStringLiteral("problems"));
    problems_->setAccessibleName(QStringLiteral("Замечания"));
    problems_->setWordWrap(true);
    problemsLabel->setBuddy(problems_);
    connect(problems_, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) { goToProblem(problems_->row(item)); });
    layout->addWidget(problemsLabel);
    layout->addWidget(problems_, 1);
    return editor;
}

QWidget *TeacherWindow::buildLimits()
{
    auto *group = new QGroupBox(QStringLiteral("Пороги оценок"));
    auto *layout = new QVBoxLayout(group);
    auto *row = new QHBoxLayout;
    auto *form = new QFormLayout;
    for (int i = 0; i < 3; ++i) {
        const int grade = 5 - i;
        auto *box = new QSpinBox(group);
        box->setRange(-32768, 32767);
        box->setObjectName(QStringLiteral("limit%1").arg(grade));
        box->setAccessibleName(QStringLiteral("Порог оценки %1").arg(grade));
        box->setKeyboardTracking(false);
        connect(box, &QSpinBox::valueChanged, this, [this, i](int value) { editLimit(i, value); });
        auto *label = new QLabel(QStringLiteral("Оценка &%1 от:").arg(grade), group);
        label->setBuddy(box);
        form->addRow(label, box);
        limitBoxes_[size_t(i)] = box;
    }
    row->addLayout(form);
    auto *proposalColumn = new QVBoxLayout;
    proposal_ = new QLabel(group);
    proposal_->setObjectName(QStringLiteral("proposal"));
    proposal_->setWordWrap(true);
    auto *accept = new QPushButton(QStringLiteral("&Принять предложение"), group);
    accept->setObjectName(QStringLiteral("acceptProposal"));
    accept->setAccessibleName(QStringLiteral("Принять предложение"));
    connect(accept, &QPushButton::clicked, this, &TeacherWindow::acceptProposal);
    proposalColumn->addWidget(proposal_);
    proposalColumn->addWidget(accept, 0, Qt::AlignLeft);
    row->addLayout(proposalColumn, 1);
    layout->addLayout(row);
    scale_ = new QLabel(group);
    scale_->setObjectName(QStringLiteral("gradeScale"));
    scale_->setWordWrap(true);
    layout->addWidget(scale_);
    return group;
}

// Undo and redo belong to the window even in a field: every edit is one stack.
bool TeacherWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QKeySequence pressed(key->keyCombination());
        if (key->matches(QKeySequence::Undo) || key->matches(QKeySequence::Redo)
            || pressed == QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)) {
            event->ignore();
            return true;
        }
    }
    if (watched == questions_ && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            deleteQuestion();
            return true;
        }
        if (key->key() == Qt::Key_Insert && key->modifiers() == Qt::NoModifier) {
            addQuestion();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TeacherWindow::addResultsTab()
{
    results_ = new ResultsPage(tabs_);
    results_->setObjectName(QStringLiteral("resultsTab"));
    tabs_->addTab(results_, QStringLiteral("Результаты"));
}

void TeacherWindow::openFolder(const QString &folder)
{
    folder_ = folder;
    results_->openFolder(folder);
    topics_->clear();
    otherTopics_.clear();
    QString first;
    // In the order of their files, qes1.ssu to qes9.ssu.
    std::vector<Topic> byFile(topicCatalogue().begin(), topicCatalogue().end());
    std::sort(byFile.begin(), byFile.end(), [](const Topic &a, const Topic &b) { return a.file < b.file; });
    for (const Topic &topic : byFile) {
        auto *item = new QListWidgetItem(topicEntry(topic, folder), topics_);
        item->setData(Qt::UserRole, topic.file);
        if (first.isEmpty() && QFileInfo(QDir(folder).filePath(topic.file)).isFile())
            first = topic.file;
    }
    topics_->show();
    if (!first.isEmpty())
        openFile(QDir(folder).filePath(first));
}

bool TeacherWindow::openFile(const QString &path)
{
    if (!askToSave())
        return false;
    const QFileInfo info(path);
    if (folder_ != info.absolutePath() && topics_->count() > 0 && QDir(folder_) != info.absoluteDir())
        topics_->clear();
    if (topics_->count() == 0)
        topics_->hide();
    const bool otherFolder = QDir(folder_) != info.absoluteDir();
    folder_ = info.absolutePath();
    // Read once per folder: a class's records file may hold a million lines.
    if (otherFolder)
        results_->openFolder(folder_);
    loadBank(openBankFile(path), path);
    return true;
}

void TeacherWindow::loadBank(OpenedBank opened, const QString &path)
{
    path_ = path;
    bank_ = std::move(opened.bank);
    openedProblems_ = std::move(opened.problems);
    openedRefused_ = opened.refused;
    const QFileInfo info(path);
    openedTime_ = info.lastModified();
    openedSize_ = info.exists() ? info.size() : -1;
    otherTopics_.clear();
    const QString own = QFileInfo(path).fileName();
    for (const Topic &topic : topicCatalogue()) {
        const QString other = QDir(folder_).filePath(topic.file);
        if (topic.file != own && QFileInfo(other).isFile())
            otherTopics_.push_back({topic.file, firstTenOf(other)});
    }
    for (int row = 0; row < topics_->count(); ++row) {
        if (topics_->item(row)->data(Qt::UserRole).toString() == own)
            topics_->setCurrentRow(row);
    }
    note_->setText(opened.convertedFrom.isEmpty() ? QString()
                                                  : problemText(ProblemId::OpenedConverted, opened.convertedFrom));
    undo_.clear();
    // A converted file differs from what it would be saved as: it opens as changed.
    if (!opened.convertedFrom.isEmpty())
        undo_.resetClean();
    current_ = bank_.records.empty() ? -1 : 0;
    fillQuestionList();
    showCurrent();
    updateLimits();
    updateTitle();
    checkTimer_.start(0);
}

void TeacherWindow::updateTitle()
{
    const QString file = path_.isEmpty() ? QString() : QFileInfo(path_).fileName();
    setWindowTitle(file.isEmpty() ? Title + QStringLiteral("[*]") : QStringLiteral("%1[*] — %2").arg(file, Title));
    setWindowModified(!undo_.isClean());
}

QString TeacherWindow::listEntry(int index) const
{
    const QString mark = index < QuestionsPerTest ? QStringLiteral("★ ") : QStringLiteral("   ");
    return QStringLiteral("%1%2. %3").arg(mark).arg(index + 1).arg(bank_.records[size_t(index)].question);
}

void TeacherWindow::fillQuestionList()
{
    filling_ = true;
    questions_->clear();
    QStringList entries;
    entries.reserve(qsizetype(bank_.records.size()));
    for (size_t i = 0; i < bank_.records.size(); ++i)
        entries << listEntry(int(i));
    questions_->addItems(entries);
    if (current_ >= 0)
        questions_->setCurrentRow(current_);
    filling_ = false;
}

void TeacherWindow::showCurrent()
{
    filling_ = true;
    const bool any = current_ >= 0 && size_t(current_) < bank_.records.size();
    const QuestionRecord shown = any ? bank_.records[size_t(current_)] : blankQuestion();
    const auto put = [](QLineEdit *edit, const QString &text) {
        if (edit->text() != text)
            edit->setText(text);
    };
    put(questionEdit_, shown.question);
    questionEdit_->setEnabled(any);
    for (int k = 0; k < 4; ++k) {
        put(answerEdits_[size_t(k)], shown.answers[size_t(k)]);
        answerEdits_[size_t(k)]->setEnabled(any);
        rightBoxes_[size_t(k)]->setChecked(shown.correct[size_t(k)] == 1);
        rightBoxes_[size_t(k)]->setEnabled(any);
    }
    if (any && questions_->currentRow() != current_)
        questions_->setCurrentRow(current_);
    for (const char *name : {"duplicateQuestion", "deleteQuestion"})
        findChild<QAction *>(QString::fromLatin1(name))->setEnabled(any);
    findChild<QAction *>(QStringLiteral("moveUp"))->setEnabled(any && current_ > 0);
    findChild<QAction *>(QStringLiteral("moveDown"))->setEnabled(any && size_t(current_) + 1 < bank_.records.size());
    filling_ = false;
    previewTimer_.start();
}

// Drawn once typing pauses: a key never waits for the pupil's window to paint.
void TeacherWindow::drawPreview()
{
    const bool any = current_ >= 0 && size_t(current_) < bank_.records.size();
    const QuestionRecord shown = any ? bank_.records[size_t(current_)] : blankQuestion();
    std::vector<int> overflowing;
    for (int field = 0; field < TextFieldsPerQuestion; ++field) {
        if (!fits_(QuestionField(int(QuestionField::Question) + field), fieldText(shown, field)))
            overflowing.push_back(field);
    }
    preview_->showQuestion(shown, current_ + 1, overflowing);
}

void TeacherWindow::updateLimits()
{
    filling_ = true;
    const qint16 limits[] = {bank_.threshold5, bank_.threshold4, bank_.threshold3};
    for (int i = 0; i < 3; ++i) {
        if (limitBoxes_[size_t(i)]->value() != limits[i])
            limitBoxes_[size_t(i)]->setValue(limits[i]);
    }
    filling_ = false;
    const CriteriaThresholds proposed = proposeLimits(bank_);
    const QString third = proposed.threshold3 == proposed.threshold3Alt
        ? QString::number(proposed.threshold3)
        : problemText(ProblemId::CriteriaThreshold3Either, proposed.threshold3, proposed.threshold3Alt);
    proposal_->setText(problemText(ProblemId::LimitsProposed, maxScore(bank_), proposed.threshold5, proposed.threshold4,
                                   third));
    const std::vector<int> grades = gradeScale(bank_);
    QStringList parts;
    for (size_t score = 0; score < grades.size(); ++score)
        parts << QStringLiteral("%1 — %2").arg(score).arg(grades[score]);
    scale_->setText(problemText(ProblemId::GradeScale, parts.join(QStringLiteral("; "))));
}

void TeacherWindow::applyBank(const std::function<void(EditedBank &)> &change, int showQuestion, bool structural)
{
    change(bank_);
    current_ = bank_.records.empty() ? -1 : qBound(0, showQuestion, int(bank_.records.size()) - 1);
    if (structural) {
        fillQuestionList();
    } else if (current_ >= 0 && current_ < questions_->count()) {
        questions_->item(current_)->setText(listEntry(current_));
    }
    showCurrent();
    updateLimits();
    scheduleCheck();
}

void TeacherWindow::scheduleCheck()
{
    ++checkGeneration_;
    fitTimer_.stop();
    checkTimer_.start();
}

void TeacherWindow::editText(int field, const QString &text)
{
    if (filling_ || current_ < 0)
        return;
    const int q = current_;
    const QString before = fieldText(bank_.records[size_t(q)], field);
    undo_.push(new BankEdit(*this, QStringLiteral("правка текста"),
                            [q, field, text](EditedBank &b) { fieldText(b.records[size_t(q)], field) = text; },
                            [q, field, before](EditedBank &b) { fieldText(b.records[size_t(q)], field) = before; },
                            q, false, q * 8 + field));
}

void TeacherWindow::editFlag(int answer, bool right)
{
    if (filling_ || current_ < 0)
        return;
    const int q = current_;
    const size_t k = size_t(answer - 1);
    const qint16 before = bank_.records[size_t(q)].correct[k];
    const qint16 after = right ? 1 : 0;
    undo_.push(new BankEdit(*this, QStringLiteral("верный ответ"),
                            [q, k, after](EditedBank &b) { b.records[size_t(q)].correct[k] = after; },
                            [q, k, before](EditedBank &b) { b.records[size_t(q)].correct[k] = before; }, q, false));
}

void TeacherWindow::editLimit(int which, int value)
{
    if (filling_)
        return;
    const auto slot = [which](EditedBank &b) -> qint16 & {
        return which == 0 ? b.threshold5 : which == 1 ? b.threshold4 : b.threshold3;
    };
    const qint16 before = slot(bank_);
    const qint16 after = qint16(value);
    if (before == after)
        return;
    undo_.push(new BankEdit(*this, QStringLiteral("порог"), [slot, after](EditedBank &b) { slot(b) = after; },
                            [slot, before](EditedBank &b) { slot(b) = before; }, current_, false, 1000 + which));
}

void TeacherWindow::acceptProposal()
{
    const CriteriaThresholds p = proposeLimits(bank_);
    const std::array<qint16, 3> before = {bank_.threshold5, bank_.threshold4, bank_.threshold3};
    const std::array<qint16, 3> after = {qint16(p.threshold5), qint16(p.threshold4), qint16(p.threshold3)};
    if (before == after)
        return;
    const auto set = [](const std::array<qint16, 3> &v) {
        return [v](EditedBank &b) { b.threshold5 = v[0]; b.threshold4 = v[1]; b.threshold3 = v[2]; };
    };
    undo_.push(new BankEdit(*this, QStringLiteral("пороги по критериям"), set(after), set(before), current_, false));
}

void TeacherWindow::addQuestion()
{
    const int at = current_ + 1;
    undo_.push(new BankEdit(*this, QStringLiteral("новый вопрос"),
                            [at](EditedBank &b) { b.records.insert(b.records.begin() + at, blankQuestion()); },
                            [at](EditedBank &b) { b.records.erase(b.records.begin() + at); }, at, true, -1,
                            qMax(0, at - 1)));
    questionEdit_->setFocus();
}

void TeacherWindow::duplicateQuestion()
{
    if (current_ < 0)
        return;
    const int at = current_ + 1;
    const QuestionRecord copy = bank_.records[size_t(current_)];
    undo_.push(new BankEdit(*this, QStringLiteral("копия вопроса"),
                            [at, copy](EditedBank &b) { b.records.insert(b.records.begin() + at, copy); },
                            [at](EditedBank &b) { b.records.erase(b.records.begin() + at); }, at, true));
}

void TeacherWindow::deleteQuestion()
{
    if (current_ < 0)
        return;
    const int at = current_;
    const QuestionRecord removed = bank_.records[size_t(at)];
    undo_.push(new BankEdit(*this, QStringLiteral("удаление вопроса"),
                            [at](EditedBank &b) { b.records.erase(b.records.begin() + at); },
                            [at, removed](EditedBank &b) { b.records.insert(b.records.begin() + at, removed); }, at,
                            true));
}

void TeacherWindow::moveQuestion(int from, int to)
{
    const int count = int(bank_.records.size());
    if (from < 0 || to < 0 || from >= count || to >= count || from == to)
        return;
    const auto move = [](int a, int b) {
        return [a, b](EditedBank &bank) {
            QuestionRecord r = std::move(bank.records[size_t(a)]);
            bank.records.erase(bank.records.begin() + a);
            bank.records.insert(bank.records.begin() + b, std::move(r));
        };
    };
    undo_.push(new BankEdit(*this, QStringLiteral("перемещение вопроса"), move(from, to), move(to, from), to, true, -1,
                            from));
}

void TeacherWindow::showProblems(const std::vector<BankProblem> &found)
{
    problemsFound_ = found;
    measuredUpTo_ = 0;
    fitTimer_.start(0);
    listProblems();
}

// The texts are measured in the window's own thread, by the pupil's window's measure,
// a hundred questions at a time, so that typing never waits for it either.
void TeacherWindow::measureSomeTexts()
{
    const size_t end = std::min(bank_.records.size(), measuredUpTo_ + 100);
    bool added = false;
    for (size_t i = measuredUpTo_; i < end; ++i) {
        for (int field = 0; field < TextFieldsPerQuestion; ++field) {
            if (fits_(QuestionField(int(QuestionField::Question) + field), fieldText(bank_.records[i], field)))
                continue;
            const int n = int(i) + 1;
            problemsFound_.push_back({n, field, Severity::Warning,
                                      problemText(ProblemId::TextTooLong, fieldName(n, field))});
            added = true;
        }
    }
    measuredUpTo_ = end;
    const bool done = end >= bank_.records.size();
    if (done)
        fitTimer_.stop();
    if (added) {
        std::stable_sort(problemsFound_.begin(), problemsFound_.end(), [](const BankProblem &a, const BankProblem &b) {
            return std::pair(a.question, a.field) < std::pair(b.question, b.field);
        });
        listProblems();
    }
    if (done)
        emit checked();
}

void TeacherWindow::listProblems()
{
    problems_->clear();
    const auto add = [this](const QString &text, Severity severity, int question, int field) {
        auto *item = new QListWidgetItem(text, problems_);
        item->setData(Qt::UserRole, question);
        item->setData(Qt::UserRole + 1, field);
        item->setForeground(severity == Severity::Error ? QColor(160, 0, 0) : palette().text().color());
    };
    // What the reader said of the file as opened stands until it is saved anew.
    for (const FileProblem &p : openedProblems_)
        add(p.line > 0 ? problemText(ProblemId::AtLine, p.line, p.message) : p.message, p.severity, 0, -1);
    for (const BankProblem &p : problemsFound_)
        add(p.text, p.severity, p.question, p.field);
}

void TeacherWindow::goToProblem(int row)
{
    const QListWidgetItem *item = problems_->item(row);
    const int question = item->data(Qt::UserRole).toInt();
    const int field = item->data(Qt::UserRole + 1).toInt();
    if (question < 1 || size_t(question) > bank_.records.size())
        return;
    selectQuestion(question - 1);
    if (field == 0)
        questionEdit_->setFocus();
    else if (field >= 1 && field <= 4)
        answerEdits_[size_t(field - 1)]->setFocus();
}

void TeacherWindow::selectQuestion(int index)
{
    current_ = index;
    questions_->setCurrentRow(index);
    showCurrent();
}

bool TeacherWindow::save()
{
    if (path_.isEmpty())
        return false;
    const WrittenBank written = writeQuestionFile(bank_);
    if (refuseUnwritable(written)) {
        selectQuestion(written.unwritable.front().question - 1);
        return false;
    }
    const QFileInfo onDisk(path_);
    if (openedRefused_ && onDisk.isFile()
        && !confirm(problemText(ProblemId::SavePartial, bank_.records.size(), onDisk.fileName() + QStringLiteral(".bak"))))
        return false;
    if (onDisk.isFile() && (onDisk.lastModified() != openedTime_ || onDisk.size() != openedSize_)
        && !confirm(problemText(ProblemId::ChangedOnDisk, onDisk.fileName())))
        return false;
    if (const auto why = saveWhole(path_, written.bytes)) {
        QMessageBox::warning(this, Title, *why);
        return false;
    }
    const QFileInfo saved(path_);
    openedRefused_ = false;
    openedTime_ = saved.lastModified();
    openedSize_ = saved.size();
    undo_.setClean();
    openedProblems_.clear();
    note_->clear();
    scheduleCheck();
    updateTitle();
    return true;
}

// The first character the file cannot hold, told to the teacher; false when there is none.
bool TeacherWindow::refuseUnwritable(const WrittenBank &written)
{
    if (written.unwritable.empty())
        return false;
    const UnwritableCharacter &u = written.unwritable.front();
    QMessageBox::warning(this, Title,
                         problemText(ProblemId::SaveRefused, fieldName(u.question, u.field), QString(u.character)));
    return true;
}

bool TeacherWindow::confirm(const QString &question)
{
    return QMessageBox::question(this, Title, question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

bool TeacherWindow::askToSave()
{
    if (undo_.isClean())
        return true;
    const auto answer = QMessageBox::question(this, Title, QStringLiteral("Сохранить изменения?"),
                                              QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                              QMessageBox::Save);
    if (answer == QMessageBox::Cancel)
        return false;
    return answer == QMessageBox::Discard || save();
}

void TeacherWindow::closeEvent(QCloseEvent *event)
{
    if (askToSave())
        event->accept();
    else
        event->ignore();
}

void TeacherWindow::startPupilTest()
{
    if (path_.isEmpty())
        return;
    const WrittenBank written = writeQuestionFile(bank_);
    if (refuseUnwritable(written))
        return;
    // A fresh copy each time: the pupil's records of a trial stay in it and go with it.
    dropEndedTrials(false);
    auto folder = std::make_unique<QTemporaryDir>();
    const QDir copy(folder->path());
    const QDir source(folder_);
    for (const Topic &topic : topicCatalogue())
        QFile::copy(source.filePath(topic.file), copy.filePath(topic.file));
    // A file of another name stands in for the first topic, which the pupil can then choose.
    const QString own = QFileInfo(path_).fileName();
    const bool isTopic = std::any_of(topicCatalogue().begin(), topicCatalogue().end(),
                                     [&own](const Topic &t) { return t.file == own; });
    const QString target = copy.filePath(isTopic ? own : topicCatalogue().front().file);
    QFile::remove(target);
    const auto why = saveWhole(target, written.bytes);
    if (!folder->isValid() || why) {
        QMessageBox::warning(this, Title, problemText(ProblemId::PupilNotStarted, why.value_or(folder->errorString())));
        return;
    }
    const qint64 pid = startProgram(pupilProgram(), copy.path());
    if (pid == 0)
        QMessageBox::warning(this, Title, problemText(ProblemId::PupilNotStarted, pupilProgram()));
    else
        trials_.push_back({std::move(folder), pid});
}
