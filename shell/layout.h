#pragma once
// Window layouts as data: every window is one table of control rows, read by one
// builder. Positions and sizes are twips (15 twips are one logical pixel), colours
// are classic system colour indices or RGB values, fonts are the classic families.

#include <QCheckBox>
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <span>

enum class ControlKind { Label, CheckBox, Button, ListBox, TextBox, FrameShape, Line, Picture };
enum class Align { Left, Centre, Right };

// A colour of a table: the control kind's default, a system colour index, or RGB.
struct Colour {
    enum class Source { Default, System, Rgb };
    Source source = Source::Default;
    int value = 0;   // system colour index, or 0xRRGGBB
};
constexpr Colour systemColour(int index) { return {Colour::Source::System, index}; }
constexpr Colour rgbColour(int r, int g, int b) { return {Colour::Source::Rgb, (r << 16) | (g << 8) | b}; }
inline constexpr Colour Black = rgbColour(0, 0, 0);

// A font of a table; no family means the window's default font.
struct FontSpec {
    const char *family = nullptr;   // "MS Sans Serif", "Times New Roman" or "Courier"
    double points = 0;
    bool bold = false;
    bool italic = false;
};

// One row of a window's control table. For a line, left/top is its start point and
// width/height the distance to its end point.
struct ControlRow {
    const char *name;
    ControlKind kind;
    const char *text = "";          // UTF-8
    int left = 0, top = 0, width = 0, height = 0;
    FontSpec font = {};
    Colour fore = {};               // text colour; the outline of shapes and lines
    Colour back = {};
    Align align = Align::Left;
    int tabIndex = -1;
    bool hidden = false;
    bool marked = false;            // frame shapes: marked frames have rounded corners
    bool sorted = false;            // list boxes
    bool modelView = false;         // list boxes: rows asked of a model, for lists too long to hold as items
    bool multiLine = false;         // text boxes: word wrap and a vertical scroll bar
    const char *picture = nullptr;  // resource path of a picture, stretched to its box
    // What a screen reader reads where the text does not say it: for a label a pattern
    // in which %1 stands for the label's current text; a picture without a name, like
    // every frame shape and line, is left out of the accessibility tree.
    const char *accessibleName = nullptr;
    const char *accessibleDescription = nullptr;
    // Labels: the text is read as the name of the control beside it (an answer as its
    // tick box), so the label itself is left out of the tree and read once.
    bool namesControl = false;
};

// One entry of a menu bar: a heading (level 0) or an item of the heading above it
// (level 1); the caption "-" is a separator.
struct MenuRow {
    const char *name;
    const char *caption;
    int level;
};

struct WindowLayout {
    const char *name;               // objectName of the window
    const char *caption;
    int clientWidth, clientHeight;  // twips, below the menu bar where there is one
    Colour background;
    FontSpec font;                  // the window's default font
    std::span<const char *const> icons;   // resource paths, every size of one icon
    bool frameless = false;
    std::span<const ControlRow> controls; // from the top of the stacking order down
    const char *accessibleName = nullptr; // where the caption is not what the window is called
};

inline constexpr int TwipsPerPixel = 15;
int pixels(int twips);

// The client area below a main window's menu bar.
class ClientArea : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
};

// Creates every control of layout.controls as a child of client, named as in the
// table, stacked and tab-ordered as the table says, and gives the window its caption,
// icon, fixed size, flags (no window buttons, never resizable), colours and font.
// client is the window itself, or the central widget below a menu bar.
void buildWindow(QWidget &window, QWidget &client, const WindowLayout &layout);

// The control named so among client's children; the layout guarantees it exists.
template <class T>
T *control(const QWidget &client, const char *name)
{
    T *found = client.findChild<T *>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    Q_ASSERT_X(found, "control", name);
    return found;
}

// A control or command anywhere in window by the name its layout gives it, for code
// outside the window (screenshots, benchmarks) that does not reach its members; null when
// there is none.
template <class T>
T *namedChild(const QObject &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

// Places window at the centre of owner, or of the screen when there is no owner, moved
// in as far as needed to stand on the screen.
void placeCentred(QWidget &window, const QWidget *owner);
// Where a window stands before it is first shown: its geometry, and the frame the
// platform has given it by then.
struct WindowPlace {
    QRect geometry;
    QMargins frame;
};
// The place placeCentred(window, nullptr) gives a window of this layout and outer size,
// without building the window.
WindowPlace placeOnScreen(const WindowLayout &layout, QSize size);
// As placeCentred(window, owner) for an owner that is not built yet but will stand there.
void placeCentredOn(QWidget &window, const WindowPlace &owner);

// A label of the tables: opaque, text wrapped at word boundaries inside the fixed box,
// cut off after the last whole line that fits. "&" marks an access key (the letter is
// underlined, "&&" shows one "&"). A click on it emits clicked(); the second click of
// a double-click does not, as on the classic desktop.
class CaptionLabel : public QLabel {
    Q_OBJECT
public:
    explicit CaptionLabel(QWidget *parent);

    // The accessible name: the shown text, or this pattern with %1 for it.
    QString namePattern;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    bool pressed_ = false;
};

// A button of the tables. Enter presses it while it has the focus, as Space does; no
// button is pressed by Enter from elsewhere in its window.
class CommandButton : public QPushButton {
    Q_OBJECT
public:
    CommandButton(const QString &text, QWidget *parent);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
};

// A check box of the tables: only the tick box is drawn, never the caption; the
// keyboard focus shows as a dotted frame around the box.
class TickBox : public QCheckBox {
    Q_OBJECT
public:
    explicit TickBox(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
};

// A rectangle outline one pixel wide, transparent inside and to the mouse.
class FrameShape : public QWidget {
    Q_OBJECT
public:
    FrameShape(QWidget *parent, QColor outline, bool rounded);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor outline_;
    bool rounded_;
};

// A straight line one pixel wide, transparent to the mouse.
class LineShape : public QWidget {
    Q_OBJECT
public:
    LineShape(QWidget *parent, QColor colour, QPoint from, QPoint to);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor colour_;
    QPoint from_, to_;   // in the widget's own coordinates
};

// The caption as a label shows it: single "&" removed, "&&" made one "&". underline
// receives the index of the access-key letter in the result, or -1.
QString stripMnemonic(const QString &caption, int *underline = nullptr);

class QMenuBar;
// Fills a menu bar from its rows; every menu and item is named as in the rows.
void buildMenuBar(QMenuBar &bar, std::span<const MenuRow> rows);
// The height the menu bar of these rows takes in a window of this width.
int menuBarHeight(std::span<const MenuRow> rows, int width);
