#include "shell/appearance.h"

#include <QApplication>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QPalette>
#include <QStyleFactory>
#include <QTranslator>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

QColor systemColourValue(int index)
{
#ifdef Q_OS_WIN
    const DWORD c = GetSysColor(index);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
#else
    // The classic Windows scheme, indices 0 to 24.
    static constexpr QRgb classic[] = {
        0xD4D0C8, // 0 scroll bar
        0x3A6EA5, // 1 desktop
        0x0A246A, // 2 active title bar
        0x808080, // 3 inactive title bar
        0xD4D0C8, // 4 menu bar
        0xFFFFFF, // 5 window background
        0x000000, // 6 window frame
        0x000000, // 7 menu text
        0x000000, // 8 window text
        0xFFFFFF, // 9 title text
        0xD4D0C8, // 10 active border
        0xD4D0C8, // 11 inactive border
        0x808080, // 12 application workspace
        0x0A246A, // 13 highlight
        0xFFFFFF, // 14 highlighted text
        0xD4D0C8, // 15 button face
        0x808080, // 16 button shadow
        0x808080, // 17 grey text
        0x000000, // 18 button text
        0xD4D0C8, // 19 inactive title text
        0xFFFFFF, // 20 button highlight
        0x404040, // 21 3D dark shadow
        0xD4D0C8, // 22 3D light
        0x000000, // 23 tooltip text
        0xFFFFE1, // 24 tooltip background
    };
    if (index < 0 || index >= int(std::size(classic)))
        return QColor(Qt::black);
    return QColor::fromRgb(classic[index]);
#endif
}

QColor resolveColour(Colour colour, int defaultIndex)
{
    switch (colour.source) {
    case Colour::Source::System:
        return systemColourValue(colour.value);
    case Colour::Source::Rgb:
        return QColor::fromRgb(QRgb(colour.value));
    case Colour::Source::Default:
        break;
    }
    return systemColourValue(defaultIndex);
}

namespace {

// The first of the families that is installed, found once. Given a list with missing
// families, Qt would ask the font configuration to substitute each of them for every
// font made from it, which took most of the start-up's font work.
QString installedFamily(const QStringList &families)
{
    const QStringList installed = QFontDatabase::families();
    for (const QString &family : families) {
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return families.first();
}

} // namespace

QFont layoutFont(const FontSpec &wanted)
{
    const QString family = QString::fromLatin1(wanted.family ? wanted.family : "MS Sans Serif");
    QFont font;
    if (family == u"Times New Roman") {
        static const QString serif = installedFamily(
            {family, QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
        font.setFamily(serif);
        font.setStyleHint(QFont::Serif);
    } else if (family == u"Courier") {
        static const QString mono = installedFamily({family, QStringLiteral("Courier New"),
                                                     QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
        font.setFamily(mono);
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
    } else {
        static const QString sans = installedFamily({family, QStringLiteral("Microsoft Sans Serif"),
                                                     QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
        font.setFamily(sans);
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSizeF(wanted.points > 0 ? wanted.points : 8.25);
    font.setBold(wanted.bold);
    font.setItalic(wanted.italic);
    return font;
}

QFont dialogFont()
{
    return layoutFont({"MS Sans Serif", 8.25});
}

static QPalette classicPalette()
{
    QPalette p;
    auto set = [&p](QPalette::ColorRole role, int index) { p.setColor(role, systemColourValue(index)); };
    set(QPalette::Window, 15);
    set(QPalette::WindowText, 18);
    set(QPalette::Base, 5);
    set(QPalette::AlternateBase, 5);
    set(QPalette::Text, 8);
    set(QPalette::Button, 15);
    set(QPalette::ButtonText, 18);
    set(QPalette::Light, 20);
    set(QPalette::Midlight, 22);
    set(QPalette::Mid, 16);
    set(QPalette::Dark, 16);
    set(QPalette::Shadow, 21);
    set(QPalette::Highlight, 13);
    set(QPalette::HighlightedText, 14);
    set(QPalette::ToolTipBase, 24);
    set(QPalette::ToolTipText, 23);
    set(QPalette::PlaceholderText, 17);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, systemColourValue(17));
    return p;
}

void prepareApplication(QApplication &app)
{
    app.setStyle(QStyleFactory::create(QStringLiteral("Windows")));
    app.setApplicationName(QStringLiteral("zuf-quiz"));
    app.setApplicationVersion(QStringLiteral("1.00"));
    // Lets desktops match the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("ru.school.zufquiz"));
    app.setPalette(classicPalette());
    app.setFont(dialogFont());
    // The program ends only through "Нет" or a confirmed "&Выход", never by a window closing.
    app.setQuitOnLastWindowClosed(false);
    // Every window's icon, the main window's included. Qt decodes each size when it is
    // added; the sizes of title bars and task switchers are enough here, since the
    // launcher takes its large icons from the installed icon theme (the 128 and 256
    // pixel ones would hold 320 KB of pixels for nothing).
    QIcon books;
    for (int size : {16, 32, 48, 64})
        books.addFile(QStringLiteral(":/icons/books-%1.png").arg(size));
    app.setWindowIcon(books);
    installRussianQtTexts(app);
}

void installRussianQtTexts(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);
    else
        delete translator;
}
