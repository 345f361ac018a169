#pragma once
// The classic desktop look the layouts were drawn for: system colours, the three
// classic font families with metric-compatible fallbacks, the "Windows" style and
// Russian captions of the standard dialog buttons.

#include "shell/layout.h"
#include <QColor>
#include <QFont>

class QApplication;
class QCoreApplication;

// System colour by its classic index (0 scroll bar ... 18 button text): the desktop's
// own on Windows, the classic Windows scheme elsewhere.
QColor systemColourValue(int index);

// The colour of a table cell, or the given system colour where the table says nothing.
QColor resolveColour(Colour colour, int defaultIndex);

// "MS Sans Serif", "Times New Roman" or "Courier" at the row's size, bold and italic,
// falling back to installed families with the same metrics and Cyrillic letters.
QFont layoutFont(const FontSpec &wanted);

// The platform dialog font, MS Sans Serif 8.25 pt.
QFont dialogFont();

// Style, palette, default font and the Russian translation of Qt's own dialogs.
// Called once, before the first window is created (by main, the tests and tools).
void prepareApplication(QApplication &app);

// Qt's own texts in Russian: its dialogs (the name prompt, message boxes) and the
// system's reasons for a failed file operation ("Нет такого файла или каталога").
void installRussianQtTexts(QCoreApplication &app);
