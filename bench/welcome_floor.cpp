// The same-pixels floor of start-up: a plain Qt Widgets program that shows what the
// welcome window shows, where it shows it (centred on the screen, frameless, 401 x 166):
// the picture and its frame, the question, the date and the two buttons in the same
// fonts and colours. No quiz code: what the program needs beyond this is its own cost.

#include "shell/paintprobe.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyleFactory>
#include <QWidget>

namespace {

constexpr QRgb Face = 0xD4D0C8, Grey = 0x808080;

QString firstInstalled(const QStringList &families)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString &family : families)
        if (installed.contains(family))
            return family;
    return families.last();
}

QFont fontOf(const QStringList &families, double points, bool bold = false, bool italic = false)
{
    QFont font(firstInstalled(families));
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

// The two frames: around the picture and around the question.
class Welcome : public QWidget {
public:
    Welcome() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setPen(QColor(Grey));
        p.drawRect(8, 8, 104, 152);
        p.drawRect(120, 8, 272, 104);
    }
};

QLabel *labelOn(QWidget &window, const QString &text, QRect box)
{
    auto *label = new QLabel(text, &window);
    label->setGeometry(box);
    label->setWordWrap(true);
    return label;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    armFirstPaintExit(app);
    const QStringList serif{"Times New Roman", "Liberation Serif", "DejaVu Serif"};
    app.setFont(fontOf({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "DejaVu Sans"}, 8.25));

    Welcome window;
    window.setFixedSize(401, 166);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(Face));
    palette.setColor(QPalette::Button, QColor(Face));
    window.setPalette(palette);
    window.setAutoFillBackground(true);

    QLabel *picture = labelOn(window, {}, {8, 8, 103, 150});
    picture->setPixmap(QPixmap(QStringLiteral(ZUF_TITLE_PICTURE)));
    picture->setScaledContents(true);
    QLabel *question = labelOn(window, QStringLiteral("Вы желаете работать с тестами по ЗУФ?"), {120, 24, 273, 49});
    question->setFont(fontOf(serif, 15.75, true, true));
    question->setAlignment(Qt::AlignCenter);
    question->setAutoFillBackground(true);
    QLabel *date = labelOn(window, QStringLiteral("01/09/2003"), {336, 96, 57, 17});
    date->setFont(fontOf(serif, 8.25));
    date->setAlignment(Qt::AlignRight);
    (new QPushButton(QStringLiteral("Да"), &window))->setGeometry(120, 128, 105, 25);
    (new QPushButton(QStringLiteral("Нет"), &window))->setGeometry(288, 128, 105, 25);

    window.move(window.screen()->availableGeometry().center() - QPoint(200, 83));
    window.show();
    return app.exec();
}
