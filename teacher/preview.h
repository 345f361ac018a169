#pragma once
// "Как увидит ученик": the current question drawn by the pupil's own main window,
// built from its own layout table, kept off screen and shown here as a picture.

#include "quiz/questionfile.h"
#include <QLabel>
#include <memory>

class Form1;

class PupilPreview : public QLabel {
    Q_OBJECT
public:
    explicit PupilPreview(QWidget *parent = nullptr);
    ~PupilPreview() override;

    // Question `number` (1-based) with its texts as the question screen shows it; the
    // frames in `overflowing` (0 the question, 1 to 4 the answers) are marked in red.
    void showQuestion(const QuestionRecord &record, int number, const std::vector<int> &overflowing);

private:
    std::unique_ptr<Form1> form_;
};
