#pragma once
// "Тесты по ЗУФ — учитель": a folder's nine topics or one question file, its questions
// edited in plain fields, the limits proposed by the help's criteria, the problems
// listed live, the question drawn as the pupil will see it.

#include "teacher/bank.h"
#include "teacher/bankcheck.h"

#include <QDateTime>
#include <QMainWindow>
#include <QTimer>
#include <QUndoStack>
#include <array>
#include <functional>
#include <memory>

class ResultsPage;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTabWidget;
class QTemporaryDir;
class PupilPreview;

class TeacherWindow : public QMainWindow {
    Q_OBJECT
public:
    TeacherWindow();
    ~TeacherWindow() override;

    // The folder's nine topics; the first topic with a file is opened.
    void openFolder(const QString &folder);
    // One question file; false (and the file untouched) when the teacher keeps the
    // unsaved changes of the open one.
    bool openFile(const QString &path);
    bool save();
    // The pupil's program on the edited bank, in a throw-away copy of the folder.
    void startPupilTest();

    // How the pupil's program is started: program, working folder; its process id,
    // 0 when it did not start.
    std::function<qint64(const QString &, const QString &)> startProgram;

    const EditedBank &bank() const { return bank_; }
    const QString &filePath() const { return path_; }
    QUndoStack &undoStack() { return undo_; }
    QTabWidget *tabs() const { return tabs_; }

    // For the edit commands: put the bank into a state and show it at a question.
    void applyBank(const std::function<void(EditedBank &)> &change, int showQuestion, bool structural);

signals:
    // The problems of the bank as it stands are all listed, its texts measured.
    void checked();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildQuestionsTab();
    void addResultsTab();
    QWidget *buildEditor();
    QWidget *buildLimits();
    void buildActions();
    bool askToSave();
    bool confirm(const QString &question);
    bool refuseUnwritable(const WrittenBank &written);
    void loadBank(OpenedBank opened, const QString &path);
    void showCurrent();
    void fillQuestionList();
    QString listEntry(int index) const;
    void updateLimits();
    void updateTitle();
    void scheduleCheck();
    void showProblems(const std::vector<BankProblem> &problems);
    void measureSomeTexts();
    void drawPreview();
    void listProblems();
    void goToProblem(int row);
    void selectQuestion(int index);

    void editText(int field, const QString &text);
    void editFlag(int answer, bool right);
    void editLimit(int which, int value);
    void acceptProposal();
    void addQuestion();
    void duplicateQuestion();
    void deleteQuestion();
    void moveQuestion(int from, int to);

    EditedBank bank_;
    QString path_, folder_;
    std::vector<FileProblem> openedProblems_;
    bool openedRefused_ = false;
    QDateTime openedTime_;
    qint64 openedSize_ = -1;
    std::vector<OtherTopic> otherTopics_;
    int current_ = -1;
    QUndoStack undo_;
    QTimer checkTimer_;
    quint64 checkGeneration_ = 0;
    // Each trial's folder and the process using it: kept while that runs.
    struct PupilTrial {
        std::unique_ptr<QTemporaryDir> folder;
        qint64 pid = 0;
    };
    std::vector<PupilTrial> trials_;
    void dropEndedTrials(bool closing);
    TextFitTest fits_;
    QTimer fitTimer_, previewTimer_;
    std::vector<BankProblem> problemsFound_;
    size_t measuredUpTo_ = 0;

    QTabWidget *tabs_ = nullptr;
    ResultsPage *results_ = nullptr;
    QListWidget *topics_ = nullptr, *questions_ = nullptr, *problems_ = nullptr;
    QLineEdit *questionEdit_ = nullptr;
    std::array<QLineEdit *, 4> answerEdits_{};
    std::array<QCheckBox *, 4> rightBoxes_{};
    std::array<QSpinBox *, 3> limitBoxes_{};
    QLabel *proposal_ = nullptr, *scale_ = nullptr, *note_ = nullptr;
    PupilPreview *preview_ = nullptr;
    bool filling_ = false;   // the fields are being filled from the bank, not edited
};
