// The workbench as a teacher uses it, once from the keyboard alone and once from the
// mouse alone: open qes1.ssu, change an answer and its tick, add a question, take the
// proposed limits, try the bank as a pupil and save; the file's bytes are checked
// against the shipped file changed by hand. Then undo, the question on closing, and
// files that are no question files.

#include "gui_support.h"
#include "teacher/teacherwindow.h"
#include "topics/catalogue.h"

#include <QCheckBox>
#include <QProcess>
#include <QSpinBox>
#include <QTabWidget>

namespace {

template <class T>
T *named(QWidget &root, const QString &name)
{
    for (T *w : root.findChildren<T *>()) {
        if (w->accessibleName() == name && w->isVisible())
            return w;
    }
    qWarning("no widget named %s", qPrintable(name));
    return nullptr;
}

void typeText(QWidget *widget, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QByteArray cp1251(const QString &text)
{
    return *encode1251(text);
}

// qes1.ssu as the walk leaves it, made from the shipped bytes line by line.
QByteArray expectedBank(const QByteArray &shipped)
{
    QList<QByteArray> lines = shipped.split('\n');
    lines[0] = "18,16,13,0\r";
    QList<QByteArray> fields = lines[1].split(',');
    // The first answer of question 1 has no comma: field 2 is exactly it.
    fields[1] = '"' + cp1251(QStringLiteral("Только 01")) + '"';
    fields[6] = "1";   // its flag
    lines[1] = fields.join(',');
    lines.insert(2, '"' + cp1251(QStringLiteral("Новый вопрос о дыме?")) + "\",\"\",\"\",\"\",\"\",0,1,0,0,0\r");
    return lines.join('\n');
}

} // namespace

class TestTeacherWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        prepareApplication(*qApp);
    }

    void init()
    {
        folder_ = std::make_unique<QTemporaryDir>();
        for (const Topic &topic : topicCatalogue())
            QFile::copy(QStringLiteral(ZUF_SHIPPED_DATA "/") + topic.file, folder_->filePath(topic.file));
        shipped_ = gui::readFile(folder_->filePath(QStringLiteral("qes1.ssu")));
        window_ = std::make_unique<TeacherWindow>();
        window_->startProgram = [this](const QString &program, const QString &folder) {
            started_ << program << folder;
            return pupilPid_;
        };
        window_->openFolder(folder_->path());
        window_->show();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }

    void cleanup()
    {
        if (window_)
            window_->undoStack().setClean();
        window_.reset();
        started_.clear();
        pupilPid_ = EndedPid;
    }

    void walk_data()
    {
        QTest::addColumn<bool>("mouse");
        QTest::newRow("keyboard alone") << false;
        QTest::newRow("mouse alone") << true;
    }
    void walk()
    {
        QFETCH(bool, mouse);
        TeacherWindow &w = *window_;
        auto *topics = w.findChild<QListWidget *>(QStringLiteral("topics"));
        // Away to qes2.ssu and back to qes1.ssu: opening by the topic list.
        for (int row : {1, 0}) {
            if (mouse) {
                const QRect at = topics->visualItemRect(topics->item(row));
                // A double click as the system delivers it: a click, then a press that is a double click.
                QTest::mouseClick(topics->viewport(), Qt::LeftButton, {}, at.center());
                QTest::mouseDClick(topics->viewport(), Qt::LeftButton, {}, at.center());
            } else {
                topics->setFocus();
                QTest::keyClick(topics, row == 1 ? Qt::Key_Down : Qt::Key_Up);
                QTest::keyClick(topics, Qt::Key_Return);
            }
            QCOMPARE(QFileInfo(w.filePath()).fileName(), QStringLiteral("qes%1.ssu").arg(row + 1));
        }
        QCOMPARE(w.windowTitle(), QStringLiteral("qes1.ssu[*] — Тесты по ЗУФ — учитель"));
        QVERIFY(!w.isWindowModified());

        // Answer 1 of question 1 and its tick.
        QLineEdit *answer = named<QLineEdit>(w, QStringLiteral("Ответ 1"));
        QCheckBox *right = named<QCheckBox>(w, QStringLiteral("Верный ответ 1"));
        QVERIFY(answer && right);
        if (mouse) {
            QTest::mouseClick(answer, Qt::LeftButton);
        } else {
            QTest::keyClick(&w, Qt::Key_1, Qt::AltModifier);
        }
        QTRY_VERIFY(answer->hasFocus());
        answer->selectAll();
        typeText(answer, QStringLiteral("Только 01"));
        if (mouse) {
            QTest::mouseClick(right, Qt::LeftButton, {}, QPoint(6, right->height() / 2));
        } else {
            QTest::keyClick(answer, Qt::Key_Tab);
            QVERIFY(right->hasFocus());
            QTest::keyClick(right, Qt::Key_Space);
        }
        QVERIFY(right->isChecked());
        QVERIFY(w.isWindowModified());

        // A new question after it.
        if (mouse)
            QTest::mouseClick(named<QPushButton>(w, QStringLiteral("Новый вопрос")), Qt::LeftButton);
        else
            QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
        QLineEdit *question = named<QLineEdit>(w, QStringLiteral("Текст вопроса"));
        QTRY_VERIFY(question->hasFocus());
        QCOMPARE(question->text(), QString());
        typeText(question, QStringLiteral("Новый вопрос о дыме?"));
        QCheckBox *firstRight = named<QCheckBox>(w, QStringLiteral("Верный ответ 1"));
        if (mouse) {
            QTest::mouseClick(firstRight, Qt::LeftButton, {}, QPoint(6, firstRight->height() / 2));
        } else {
            QTest::keyClick(&w, Qt::Key_1, Qt::AltModifier);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        }
        QVERIFY(firstRight->isChecked());
        auto *list = named<QListWidget>(w, QStringLiteral("Вопросы"));
        QCOMPARE(list->count(), 13);
        QCOMPARE(list->item(1)->text(), QStringLiteral("★ 2. Новый вопрос о дыме?"));
        QVERIFY(!list->item(10)->text().startsWith(u'★'));

        // 19 right answers in the first ten now: 91 %, 81 % and 66 % of them, rounded up.
        QVERIFY(w.findChild<QLabel *>(QStringLiteral("proposal"))->text().contains(QStringLiteral("оценка 5 от 18, оценка 4 от 16, оценка 3 от 13")));
        if (mouse) {
            QTest::mouseClick(named<QPushButton>(w, QStringLiteral("Принять предложение")), Qt::LeftButton);
        } else {
            QTest::sendKeyEvent(QTest::Click, &w, Qt::Key(0x041F), QStringLiteral("п"), Qt::AltModifier);   // Alt+П
        }
        QTRY_COMPARE(named<QSpinBox>(w, QStringLiteral("Порог оценки 5"))->value(), 18);
        QCOMPARE(named<QSpinBox>(w, QStringLiteral("Порог оценки 4"))->value(), 16);
        QCOMPARE(named<QSpinBox>(w, QStringLiteral("Порог оценки 3"))->value(), 13);

        // The pupil's program on the unsaved bank, in a folder of its own.
        if (mouse)
            QTest::mouseClick(named<QPushButton>(w, QStringLiteral("Проверить как ученик")), Qt::LeftButton);
        else
            QTest::keyClick(&w, Qt::Key_F5);
        QCOMPARE(started_.size(), 2);
        QCOMPARE(QFileInfo(started_[0]).baseName(), QStringLiteral("zuf-quiz"));
        const QString trial = started_[1];
        QVERIFY(QDir(trial) != QDir(folder_->path()));
        QCOMPARE(gui::readFile(QDir(trial).filePath(QStringLiteral("qes1.ssu"))), expectedBank(shipped_));
        QCOMPARE(gui::readFile(QDir(trial).filePath(QStringLiteral("qes5.ssu"))),
                 gui::readFile(folder_->filePath(QStringLiteral("qes5.ssu"))));
        QCOMPARE(gui::readFile(folder_->filePath(QStringLiteral("qes1.ssu"))), shipped_);
        // The real program starts there and takes its question file; it is not left running.
        QProcess pupil;
        pupil.setWorkingDirectory(trial);
        pupil.start(QStringLiteral(ZUF_QUIZ_PATH), {});
        QVERIFY(pupil.waitForStarted());
        pupil.kill();
        pupil.waitForFinished();

        if (mouse)
            QTest::mouseClick(named<QPushButton>(w, QStringLiteral("Сохранить")), Qt::LeftButton);
        else
            QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(gui::readFile(folder_->filePath(QStringLiteral("qes1.ssu"))), expectedBank(shipped_));
        QCOMPARE(gui::readFile(folder_->filePath(QStringLiteral("qes1.ssu.bak"))), shipped_);
        QVERIFY(!w.isWindowModified());
    }

    // A trial's folder stays while its pupil's program runs, past the workbench too;
    // one whose program has ended goes at the next trial or when the workbench closes.
    void trialFoldersStayWhilePupilsRun()
    {
        pupilPid_ = QCoreApplication::applicationPid();   // a program that runs on
        QTest::keyClick(window_.get(), Qt::Key_F5);
        pupilPid_ = EndedPid;
        QTest::keyClick(window_.get(), Qt::Key_F5);
        QTest::keyClick(window_.get(), Qt::Key_F5);
        QCOMPARE(started_.size(), 6);
        const QString running = QDir(started_[1]).filePath(QStringLiteral("qes1.ssu"));
        QVERIFY(QFileInfo::exists(running));
        QVERIFY(!QFileInfo::exists(started_[3]));
        QVERIFY(QFileInfo::exists(QDir(started_[5]).filePath(QStringLiteral("qes1.ssu"))));
        window_.reset();
        QCOMPARE(gui::readFile(running), shipped_);
        QVERIFY(!QFileInfo::exists(started_[5]));
        QVERIFY(QDir(started_[1]).removeRecursively());
    }

    // Every edit undone in turn gives back the shipped bytes; redo all gives the edits again.
    void undoAndRedoOverEveryEdit()
    {
        TeacherWindow &w = *window_;
        QTest::keyClick(&w, Qt::Key_2, Qt::AltModifier);
        typeText(QApplication::focusWidget(), QStringLiteral("абв"));
        QTest::mouseClick(named<QCheckBox>(w, QStringLiteral("Верный ответ 3")), Qt::LeftButton, {}, QPoint(6, 8));
        QTest::keyClick(&w, Qt::Key_Down, Qt::ControlModifier);
        QTest::keyClick(&w, Qt::Key_D, Qt::ControlModifier);
        QTest::keyClick(named<QListWidget>(w, QStringLiteral("Вопросы")), Qt::Key_Delete);
        const EditedBank edited = w.bank();
        QVERIFY(w.undoStack().count() >= 5);
        while (w.undoStack().canUndo())
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(writeQuestionFile(w.bank()).bytes, shipped_);
        QVERIFY(!w.isWindowModified());
        while (w.undoStack().canRedo())
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(writeQuestionFile(w.bank()).bytes, writeQuestionFile(edited).bytes);
    }

    void closingAsksToSave_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("saved");
        QTest::newRow("save") << int(QMessageBox::Save) << true << true;
        QTest::newRow("discard") << int(QMessageBox::Discard) << true << false;
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << false << false;
    }
    void closingAsksToSave()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(bool, saved);
        TeacherWindow &w = *window_;
        QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
        gui::ModalAnswers answers;
        answers.press(QMessageBox::StandardButton(answer));
        w.close();
        QVERIFY(answers.allAnswered());
        QCOMPARE(answers.seen().value(0).text, QStringLiteral("Сохранить изменения?"));
        QCOMPARE(w.isVisible(), !closed);
        QCOMPARE(gui::readFile(folder_->filePath(QStringLiteral("qes1.ssu"))) != shipped_, saved);
    }

    // What is no question file opens as nothing, with the reason listed, and is never written.
    void whatIsNoQuestionFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        QTest::newRow("a folder") << QByteArray();
    }
    void whatIsNoQuestionFile()
    {
        QFETCH(QByteArray, bytes);
        const QString path = folder_->filePath(QStringLiteral("other.ssu"));
        if (bytes.isEmpty())
            QVERIFY(QDir(folder_->path()).mkdir(QStringLiteral("other.ssu")));
        else
            QVERIFY(gui::writeFile(path, bytes));
        TeacherWindow &w = *window_;
        QVERIFY(w.openFile(path));
        auto *problems = named<QListWidget>(w, QStringLiteral("Замечания"));
        QTRY_VERIFY(problems->count() > 0);
        QVERIFY(w.bank().records.size() < 10);
        QVERIFY(!w.isWindowModified());
        w.close();
        QCOMPARE(bytes.isEmpty() ? QByteArray() : gui::readFile(path), bytes);
    }

    // A text longer than its frame: named in the list by the checker's sentence, framed
    // in red in the preview; activating the problem goes to its field.
    void textThatDoesNotFit()
    {
        TeacherWindow &w = *window_;
        QLineEdit *answer = named<QLineEdit>(w, QStringLiteral("Ответ 3"));
        answer->setFocus();
        // Five lines of the answer's font where its frame holds three.
        answer->setText(QStringLiteral("очень длинный ответ ").repeated(25));
        typeText(answer, QStringLiteral("!"));
        auto *problems = named<QListWidget>(w, QStringLiteral("Замечания"));
        const QString sentence = QStringLiteral(
            "Ответ 3 вопроса 1 не помещается в свою рамку в окне ученика: конец текста ученик не увидит. Сократите текст.");
        QTRY_VERIFY(!problems->findItems(sentence, Qt::MatchExactly).isEmpty());
        const auto redPixels = [&w] {
            const QImage preview = named<QLabel>(w, QStringLiteral("Как увидит ученик"))->pixmap().toImage();
            int red = 0;
            for (int y = 0; y < preview.height(); ++y)
                for (int x = 0; x < preview.width(); ++x)
                    red += preview.pixelColor(x, y) == QColor(Qt::red);
            return red;
        };
        QTRY_VERIFY(redPixels() > 100);
        named<QLineEdit>(w, QStringLiteral("Текст вопроса"))->setFocus();
        problems->setCurrentItem(problems->findItems(sentence, Qt::MatchExactly).first());
        problems->setFocus();
        QTest::keyClick(problems, Qt::Key_Return);
        QVERIFY(answer->hasFocus());
    }

    // Saving over what the window did not read whole: asked first, and No leaves the file.
    void savingOverUnreadAsks_data()
    {
        QTest::addColumn<QByteArray>("onDisk");     // the file when it is opened
        QTest::addColumn<QByteArray>("meanwhile");  // written by another program while open; empty: none
        QTest::addColumn<QString>("question");
        const QByteArray nine = gui::questionFile(8, 7, 5, QList<gui::Question>(9, gui::Question{{1, 0, 0, 0}}));
        QTest::newRow("changed by another program") << gui::simpleQuestionFile() << QByteArray("17,15,12,0\r\n")
            << "Файл qes1.ssu изменён другой программой после того, как был открыт здесь. Заменить его тем, что в этом окне?";
        QTest::newRow("read in part") << nine << QByteArray()
            << "Тест не принимает этот файл, и прочитана только его часть (вопросов: 10). Если сохранить, "
               "непрочитанное пропадёт из файла, а прежний файл останется как qes1.ssu.bak. Сохранить?";
    }
    void savingOverUnreadAsks()
    {
        QFETCH(QByteArray, onDisk);
        QFETCH(QByteArray, meanwhile);
        QFETCH(QString, question);
        const QString path = folder_->filePath(QStringLiteral("qes1.ssu"));
        QVERIFY(gui::writeFile(path, onDisk));
        TeacherWindow &w = *window_;
        QVERIFY(w.openFile(path));
        if (!meanwhile.isEmpty())
            QVERIFY(gui::writeFile(path, meanwhile));
        QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
        gui::ModalAnswers answers;
        answers.press(QMessageBox::No);
        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(answers.allAnswered());
        QCOMPARE(answers.seen().value(0).text, question);
        QCOMPARE(gui::readFile(path), meanwhile.isEmpty() ? onDisk : meanwhile);
        QVERIFY(w.isWindowModified());
    }

private:
    std::unique_ptr<QTemporaryDir> folder_;
    std::unique_ptr<TeacherWindow> window_;
    QByteArray shipped_;
    QStringList started_;
    // No process has this id: odd, so never a Windows one, and past any Linux pid_max.
    static constexpr qint64 EndedPid = 0x7fffffff;
    qint64 pupilPid_ = EndedPid;
};

QTEST_MAIN(TestTeacherWindow)
#include "test_teacher_window.moc"
