#pragma once
// The one measure of text in the pupil's window: a caption label's layout (word wrap at
// the width of its box, one line under another), used by the label to draw and by the
// checker of question files to tell a teacher that a text will be cut off.

#include "quiz/questioncheck.h"
#include <QtGlobal>

class CaptionLabel;
class QTextLayout;

struct CaptionExtent {
    qreal height = 0;        // of every line
    qreal widest = 0;        // the widest line; a word longer than the box sticks out
    qreal shownHeight = 0;   // of the whole lines within the box (at least the first)
};

// Lays out every line of layout at width, the first at the top.
CaptionExtent layOutCaption(QTextLayout &layout, qreal width, qreal boxHeight);

// True when label would show text whole: no line wider than its box, all within its height.
bool fitsCaption(const CaptionLabel &label, const QString &text);

// The checker's measure: the question in the pupil's window's question label, answer k
// in the label beside tick box k. Needs a QApplication prepared as the program's.
TextFitTest pupilWindowFit();
