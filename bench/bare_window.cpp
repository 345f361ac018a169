// The floor for start-up and memory: a Qt Widgets program that shows one empty
// window of the welcome window's size and style, and nothing else. With --text the
// window also shows one line of text, the floor of any window with words in it
// (the first text brings up the font configuration and loads a font).

#include "shell/paintprobe.h"

#include <QApplication>
#include <QLabel>
#include <QStyleFactory>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    armFirstPaintExit(app);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setFixedSize(401, 166);   // 6015 x 2490 twips
    if (app.arguments().contains(QStringLiteral("--text")))
        (new QLabel(QStringLiteral("Вы желаете работать с тестами по ЗУФ?"), &window))->move(120, 24);
    window.show();
    return app.exec();
}
