#include "shell/layout.h"
#include "shell/textfit.h"
#include "shell/appearance.h"
#include "shell/screenreader.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QGuiApplication>
#include <QIcon>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextLayout>
#include <QWindow>
#include <algorithm>
#include <vector>

int pixels(int twips)
{
    return qRound(twips / double(TwipsPerPixel));
}

QString stripMnemonic(const QString &caption, int *underline)
{
    QString shown;
    shown.reserve(caption.size());
    int marked = -1;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'&') {
            shown += caption[i];
            continue;
        }
        if (i + 1 < caption.size() && caption[i + 1] == u'&') {
            shown += u'&';
            ++i;
        } else if (i + 1 < caption.size() && marked < 0) {
            marked = int(shown.size());
        }
    }
    if (underline)
        *underline = marked;
    return shown;
}

// ---------------------------------------------------------------- controls

CaptionLabel::CaptionLabel(QWidget *parent) : QLabel(parent)
{
    setAutoFillBackground(true);
    setWordWrap(true);
}

void CaptionLabel::paintEvent(QPaintEvent *)
{
    int underline = -1;
    const QString shown = stripMnemonic(text(), &underline);
    if (shown.isEmpty())
        return;

    QTextLayout layout(shown, font(), this);
    QTextOption option(alignment() & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    if (underline >= 0) {
        QTextCharFormat format;
        format.setFontUnderline(true);
        layout.setFormats({{underline, 1, format}});
    }

    // Lay out every line, but show only the whole lines that fit in the box.
    const QRect box = contentsRect();
    const qreal shownHeight = layOutCaption(layout, box.width(), box.height()).shownHeight;

    QPainter painter(this);
    painter.setClipRect(QRectF(box.left(), box.top(), box.width(), std::min<qreal>(shownHeight, box.height())));
    painter.setPen(palette().color(QPalette::Active, QPalette::WindowText));
    layout.draw(&painter, box.topLeft());
}

void CaptionLabel::showEvent(QShowEvent *event)
{
    QLabel::showEvent(event);
    tellControlShown(*this);
}

void CaptionLabel::mousePressEvent(QMouseEvent *event)
{
    pressed_ = event->button() == Qt::LeftButton;
}

void CaptionLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        emit clicked();
}

void CaptionLabel::mouseDoubleClickEvent(QMouseEvent *)
{
    pressed_ = false;
}

CommandButton::CommandButton(const QString &text, QWidget *parent) : QPushButton(text, parent)
{
    setAutoDefault(false);
    setDefault(false);
}

void CommandButton::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier)
        animateClick();
    else
        QPushButton::keyPressEvent(event);
}

void CommandButton::showEvent(QShowEvent *event)
{
    QPushButton::showEvent(event);
    tellControlShown(*this);
}

TickBox::TickBox(QWidget *parent) : QCheckBox(parent)
{
    setAutoFillBackground(true);
}

void TickBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    // With no caption the style draws the focus inside the tick box, where a tick
    // hides it; a pupil on the keyboard sees it around the box instead.
    const bool focused = option.state & QStyle::State_HasFocus;
    option.state &= ~QStyle::State_HasFocus;
    painter.drawControl(QStyle::CE_CheckBox, option);
    if (focused) {
        QStyleOptionFocusRect frame;
        frame.initFrom(this);
        frame.rect = rect();
        frame.backgroundColor = palette().color(QPalette::Window);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, frame);
    }
}

void TickBox::showEvent(QShowEvent *event)
{
    QCheckBox::showEvent(event);
    tellControlShown(*this);
}

FrameShape::FrameShape(QWidget *parent, QColor outline, bool rounded)
    : QWidget(parent), outline_(outline), rounded_(rounded)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void FrameShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QPen(outline_, 1));
    painter.setBrush(Qt::NoBrush);
    if (rounded_) {
        const qreal radius = std::min<qreal>(8, std::min(width(), height()) / 4.0);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.drawRoundedRect(QRectF(0.5, 0.5, width() - 1, height() - 1), radius, radius);
    } else {
        painter.drawRect(0, 0, width() - 1, height() - 1);
    }
}

LineShape::LineShape(QWidget *parent, QColor colour, QPoint from, QPoint to)
    : QWidget(parent), colour_(colour), from_(from), to_(to)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

void LineShape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(QPen(colour_, 1));
    painter.drawLine(from_, to_);
}

// ---------------------------------------------------------------- accessibility

// Marks a window that is its own client, and the drawings and the labels a screen
// reader skips.
static constexpr char LayoutClientProperty[] = "zufLayoutClient";
static constexpr char LeftOutProperty[] = "zufLeftOut";

namespace {

// A label reads as its shown text, or as its name pattern filled with that text, so
// that a counter showing " 3" reads as "Количество баллов: 3".
class CaptionLabelAccessible : public QAccessibleWidget {
public:
    explicit CaptionLabelAccessible(CaptionLabel *label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name)
            return QAccessibleWidget::text(t);
        const auto *label = static_cast<const CaptionLabel *>(widget());
        const QString shown = stripMnemonic(label->text());
        if (label->namePattern.isEmpty())
            return shown;
        if (!label->namePattern.contains(u"%1"))
            return label->namePattern;
        return shown.trimmed().isEmpty() ? QString() : label->namePattern.arg(shown.trimmed());
    }
};

// The client of a table's window lists its controls without the frames, lines and
// unnamed pictures, which only draw: a screen reader would stop on each of them and
// read nothing; and without the labels whose text is read as a control's name, which
// review would read twice. A window of its own reads as a window, whatever its frame.
class LayoutClientAccessible : public QAccessibleWidget {
public:
    explicit LayoutClientAccessible(QWidget *client)
        : QAccessibleWidget(client, client->isWindow() ? QAccessible::Window : QAccessible::Grouping)
    {
    }

    int childCount() const override { return int(readChildren().size()); }

    QAccessibleInterface *child(int index) const override
    {
        const QList<QWidget *> shown = readChildren();
        return index >= 0 && index < shown.size() ? QAccessible::queryAccessibleInterface(shown[index]) : nullptr;
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child ? int(readChildren().indexOf(qobject_cast<QWidget *>(child->object()))) : -1;
    }

private:
    QList<QWidget *> readChildren() const
    {
        QList<QWidget *> shown;
        for (QWidget *w : widget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (!w->isWindow() && !w->property(LeftOutProperty).toBool())
                shown << w;
        return shown;
    }
};

QAccessibleInterface *layoutAccessible(const QString &, QObject *object)
{
    if (auto *label = qobject_cast<CaptionLabel *>(object))
        return new CaptionLabelAccessible(label);
    if (qobject_cast<ClientArea *>(object)
        || (object && object->isWidgetType() && object->property(LayoutClientProperty).toBool()))
        return new LayoutClientAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

void installLayoutAccessibility()
{
    static const bool installed = (QAccessible::installFactory(layoutAccessible), true);
    Q_UNUSED(installed);
}

void setAccessibleTexts(QWidget &w, const ControlRow &row)
{
    const bool drawingOnly = row.kind == ControlKind::FrameShape || row.kind == ControlKind::Line
        || (row.kind == ControlKind::Picture && !row.accessibleName);
    if (drawingOnly || row.namesControl)
        w.setProperty(LeftOutProperty, true);
    if (row.accessibleName) {
        if (auto *label = qobject_cast<CaptionLabel *>(&w))
            label->namePattern = QString::fromUtf8(row.accessibleName);
        else
            w.setAccessibleName(QString::fromUtf8(row.accessibleName));
    }
    if (row.accessibleDescription)
        w.setAccessibleDescription(QString::fromUtf8(row.accessibleDescription));
}

} // namespace

// ---------------------------------------------------------------- builder

static bool isFocusable(ControlKind kind)
{
    return kind == ControlKind::CheckBox || kind == ControlKind::Button || kind == ControlKind::ListBox
        || kind == ControlKind::TextBox;
}

static Qt::Alignment alignmentOf(Align align)
{
    switch (align) {
    case Align::Centre:
        return Qt::AlignHCenter | Qt::AlignTop;
    case Align::Right:
        return Qt::AlignRight | Qt::AlignTop;
    case Align::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

static void setColours(QWidget &w, QPalette::ColorRole backRole, QColor back, QPalette::ColorRole foreRole,
                       QColor fore)
{
    QPalette p = w.palette();
    p.setColor(backRole, back);
    p.setColor(QPalette::Active, foreRole, fore);
    p.setColor(QPalette::Inactive, foreRole, fore);
    w.setPalette(p);
}

static QWidget *createLine(QWidget &client, const ControlRow &row)
{
    const QPoint from(pixels(row.left), pixels(row.top));
    const QPoint to(pixels(row.left + row.width), pixels(row.top + row.height));
    const QRect box = QRect(from, to).normalized();
    auto *line = new LineShape(&client, resolveColour(row.fore, 8), from - box.topLeft(), to - box.topLeft());
    line->setGeometry(box.adjusted(0, 0, 1, 1));
    return line;
}

static QWidget *createControl(QWidget &client, const ControlRow &row)
{
    const QString text = QString::fromUtf8(row.text);
    QWidget *w = nullptr;
    switch (row.kind) {
    case ControlKind::Label: {
        auto *label = new CaptionLabel(&client);
        label->setText(text);
        label->setAlignment(alignmentOf(row.align));
        setColours(*label, QPalette::Window, resolveColour(row.back, 15), QPalette::WindowText,
                   resolveColour(row.fore, 18));
        w = label;
        break;
    }
    case ControlKind::CheckBox: {
        auto *box = new TickBox(&client);
        box->setText(text);
        setColours(*box, QPalette::Window, resolveColour(row.back, 15), QPalette::WindowText,
                   resolveColour(row.fore, 18));
        w = box;
        break;
    }
    case ControlKind::Button: {
        auto *button = new CommandButton(text, &client);
        setColours(*button, QPalette::Button, resolveColour(row.back, 15), QPalette::ButtonText,
                   resolveColour(row.fore, 18));
        w = button;
        break;
    }
    case ControlKind::ListBox: {
        QListView *list = nullptr;
        if (row.modelView) {
            list = new QListView(&client);
            list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        } else {
            auto *items = new QListWidget(&client);
            items->setSortingEnabled(row.sorted);
            list = items;
        }
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        list->setUniformItemSizes(true);
        setColours(*list, QPalette::Base, resolveColour(row.back, 5), QPalette::Text, resolveColour(row.fore, 8));
        w = list;
        break;
    }
    case ControlKind::TextBox: {
        if (row.multiLine) {
            auto *edit = new QPlainTextEdit(text, &client);
            edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            edit->setWordWrapMode(QTextOption::WordWrap);
            edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setTabChangesFocus(true);
            w = edit;
        } else {
            w = new QLineEdit(text, &client);
        }
        setColours(*w, QPalette::Base, resolveColour(row.back, 5), QPalette::Text, resolveColour(row.fore, 8));
        break;
    }
    case ControlKind::FrameShape:
        w = new FrameShape(&client, resolveColour(row.fore, 8), row.marked);
        break;
    case ControlKind::Line:
        w = createLine(client, row);
        break;
    case ControlKind::Picture: {
        auto *picture = new QLabel(&client);
        picture->setScaledContents(true);
        if (row.picture)
            picture->setPixmap(QPixmap(QString::fromLatin1(row.picture)));
        w = picture;
        break;
    }
    }

    w->setObjectName(QString::fromLatin1(row.name));
    if (row.kind != ControlKind::Line)
        w->setGeometry(pixels(row.left), pixels(row.top), pixels(row.width), pixels(row.height));
    if (row.font.family)
        w->setFont(layoutFont(row.font));
    if (row.hidden)
        w->hide();
    setAccessibleTexts(*w, row);
    return w;
}

static QIcon iconFrom(std::span<const char *const> files)
{
    QIcon icon;
    for (const char *file : files)
        icon.addFile(QString::fromLatin1(file));
    return icon;
}

// A caption only: no window menu, no close, minimise or maximise button.
static Qt::WindowFlags windowFlagsOf(const WindowLayout &layout)
{
    return layout.frameless ? Qt::Window | Qt::FramelessWindowHint
                            : Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
}

void buildWindow(QWidget &window, QWidget &client, const WindowLayout &layout)
{
    // Before anything that tells a screen reader about the window, which fixes the
    // window's accessible interface for good.
    installLayoutAccessibility();
    if (&client == &window)
        window.setProperty(LayoutClientProperty, true);
    window.setObjectName(QString::fromLatin1(layout.name));
    if (layout.accessibleName)
        window.setAccessibleName(QString::fromUtf8(layout.accessibleName));
    window.setWindowTitle(QString::fromUtf8(layout.caption));
    if (!layout.icons.empty())
        window.setWindowIcon(iconFrom(layout.icons));
    window.setWindowFlags(windowFlagsOf(layout));

    client.setAutoFillBackground(true);
    QPalette p = client.palette();
    p.setColor(QPalette::Window, resolveColour(layout.background, 15));
    client.setPalette(p);
    client.setFont(layoutFont(layout.font));
    client.setFixedSize(pixels(layout.clientWidth), pixels(layout.clientHeight));

    // Labels, shapes, lines and pictures from the bottom of the list up, so that the
    // row listed earlier is painted later; then the controls that take focus, above
    // all of them and created in tab order, which makes Qt's focus chain the tab order.
    std::vector<const ControlRow *> focusable;
    for (auto row = layout.controls.rbegin(); row != layout.controls.rend(); ++row) {
        if (isFocusable(row->kind))
            focusable.push_back(&*row);
        else
            createControl(client, *row);
    }
    std::stable_sort(focusable.begin(), focusable.end(),
                     [](const ControlRow *a, const ControlRow *b) { return a->tabIndex < b->tabIndex; });
    for (const ControlRow *row : focusable)
        createControl(client, *row)->setFocusPolicy(Qt::StrongFocus);

    if (&window == &client) {
        window.setFixedSize(client.size());
    } else {
        window.layout()->setSizeConstraint(QLayout::SetFixedSize);
        window.adjustSize();
    }
}

namespace {

// Where a window of this size stands centred on area; where it cannot sit centred on
// the screen it moves in from the screen's edges, and where it is larger than the
// screen, its title bar and menu stay on it.
QPoint centredTopLeft(QSize size, const QRect &area, const QRect &screenArea)
{
    QPoint topLeft = area.center() - QPoint(size.width() / 2, size.height() / 2);
    topLeft.setX(std::max(screenArea.left(), std::min(topLeft.x(), screenArea.right() + 1 - size.width())));
    topLeft.setY(std::max(screenArea.top(), std::min(topLeft.y(), screenArea.bottom() + 1 - size.height())));
    return topLeft;
}

// Moves window to the centre of area. Before its first showing a window knows nothing of
// its frame: the owner's frame, from the same window manager, stands in for it.
void moveCentred(QWidget &window, const QRect &area, const QMargins &ownerFrame, const QScreen &screen)
{
    if (area.isEmpty())
        return;
    QSize size = window.frameGeometry().size();
    if (size == window.size())
        size = size.grownBy(ownerFrame);
    window.move(centredTopLeft(size, area, screen.availableGeometry()));
}

} // namespace

void placeCentred(QWidget &window, const QWidget *owner)
{
    const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    if (!owner) {
        moveCentred(window, screen->availableGeometry(), {}, *screen);
        return;
    }
    const QRect outer = owner->frameGeometry();
    const QRect inner = owner->geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                         outer.bottom() - inner.bottom());
    moveCentred(window, outer, frame, *screen);
}

void placeCentredOn(QWidget &window, const WindowPlace &owner)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        moveCentred(window, owner.geometry.marginsAdded(owner.frame), owner.frame, *screen);
}

WindowPlace placeOnScreen(const WindowLayout &layout, QSize size)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {QRect(QPoint(0, 0), size), {}};
    const QRect screenArea = screen->availableGeometry();
    // The frame of a window made but not yet shown, which is what a window centred on
    // a built owner meets: a native window of the same kind and size, never shown, tells it.
    QWindow probe;
    probe.setFlags(windowFlagsOf(layout));
    probe.setMinimumSize(size);
    probe.setMaximumSize(size);
    probe.resize(size);
    probe.create();
    return {QRect(centredTopLeft(size, screenArea, screenArea), size), probe.frameMargins()};
}

int menuBarHeight(std::span<const MenuRow> rows, int width)
{
    // The headings alone give the bar its height: a bar of them, never shown, measures it.
    QMenuBar bar;
    for (const MenuRow &row : rows) {
        if (row.level == 0)
            bar.addAction(QString::fromUtf8(row.caption));
    }
    return bar.heightForWidth(width);
}

void buildMenuBar(QMenuBar &bar, std::span<const MenuRow> rows)
{
    QMenu *menu = nullptr;
    for (const MenuRow &row : rows) {
        const QString caption = QString::fromUtf8(row.caption);
        if (row.level == 0) {
            menu = bar.addMenu(caption);
            menu->setObjectName(QString::fromLatin1(row.name));
            continue;
        }
        QAction *item = caption == u"-" ? menu->addSeparator() : menu->addAction(caption);
        item->setObjectName(QString::fromLatin1(row.name));
    }
}
