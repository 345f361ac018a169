#include "shell/form4.h"

#include "shell/windows.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

namespace {

using K = ControlKind;
constexpr FontSpec Times12{"Times New Roman", 12};
constexpr Colour Grey3 = systemColour(3);

const ControlRow controls[] = {
    {.name = "Command1", .kind = K::Button, .text = "Ok", .left = 2760, .top = 5400, .width = 1575, .height = 375, .tabIndex = 5},
    {.name = "Text1", .kind = K::TextBox, .left = 0, .top = 2400, .width = 6975, .height = 2775, .font = Times12, .fore = Black, .back = systemColour(4), .tabIndex = 0, .multiLine = true, .accessibleName = "Текст справки"},
    {.name = "Shape3", .kind = K::FrameShape, .left = 2280, .top = 5280, .width = 2535, .height = 615, .fore = Grey3, .marked = true},
    {.name = "Shape2", .kind = K::FrameShape, .left = 120, .top = 1320, .width = 5175, .height = 975, .fore = Grey3, .marked = true},
    {.name = "Shape1", .kind = K::FrameShape, .left = 120, .top = 360, .width = 5175, .height = 975, .fore = Grey3, .marked = true},
    {.name = "Line3", .kind = K::Line, .left = 840, .top = 1320, .width = 5280 - 840, .height = 0},
    {.name = "Image5", .kind = K::Picture, .left = 5400, .top = 0, .width = 1620, .height = 2400, .picture = ":/pictures/title.jpg", .accessibleName = "Заставка: самолёт, бронетранспортёр, пистолет, водопад и надпись «Тесты по ЗУФ»"},
    {.name = "Label8", .kind = K::Label, .text = "Дизайн: Е. С. Глушенкова", .left = 1200, .top = 1920, .width = 3615, .height = 255, .font = Times12, .fore = Grey3, .tabIndex = 6},
    {.name = "Image2", .kind = K::Picture, .left = 240, .top = 1440, .width = 855, .height = 735, .picture = ":/pictures/portrait2.jpg", .accessibleName = "Фотография: Е. С. Глушенкова"},
    {.name = "Label5", .kind = K::Label, .text = "Тестирование: Е. С. Глушенкова", .left = 1200, .top = 1440, .width = 3615, .height = 255, .font = Times12, .fore = Grey3, .tabIndex = 4},
    {.name = "Label4", .kind = K::Label, .text = "Подборка тестов: А. Н. Лузгин", .left = 1200, .top = 960, .width = 3735, .height = 255, .font = Times12, .fore = Grey3, .tabIndex = 3},
    {.name = "Label3", .kind = K::Label, .text = "Программирование: А. Н. Лузгин", .left = 1200, .top = 480, .width = 3855, .height = 255, .font = Times12, .fore = Grey3, .tabIndex = 2},
    {.name = "Label1", .kind = K::Label, .text = "Авторы:", .left = 2880, .top = 0, .width = 1215, .height = 375, .font = {"Times New Roman", 15.75, true}, .fore = systemColour(6), .align = Align::Centre, .tabIndex = 1},
    {.name = "Image1", .kind = K::Picture, .left = 240, .top = 480, .width = 855, .height = 735, .picture = ":/pictures/portrait1.jpg", .accessibleName = "Фотография: А. Н. Лузгин"},
};

const char *const icons[] = {":/icons/help-book-16.png", ":/icons/help-book-32.png", ":/icons/help-book-48.png"};

const WindowLayout windowTable = {
    .name = "Form4",
    .caption = "Справка",
    .clientWidth = 6990,
    .clientHeight = 5985,
    .background = systemColour(15),
    .font = {"MS Sans Serif", 8.25},
    .icons = icons,
    .controls = controls,
};

const QString Requirements = QStringLiteral(
    "Системные требования к программе: мышь; монитор; системный блок!;операционная система: все, что не DOS; "
    "оперативная память 4 Мб; DirectX, Sound & Graphic board'ы не требуются; 1-2 Мб памяти на жестком диске; "
    "Минимальное разрешение экрана=800*600 (при <800*600 некоторые формы не вмещаються)");
const QString Scoring = QStringLiteral(
    "Программа 'Тесты по ЗУФ' представляет собой тестирующую программу. Как и в любой другой тестирующей "
    "программе, оценка зависит от количества набранных баллов. За каждый правильный ответ начисляется один "
    "балл, за каждый неправильный ответ вычитается один бал.");
// No-break spaces keep the parts of the address together when the text wraps.
const QString Criteria = QStringLiteral(
    "Критерии оценки: 91%-100% - оценка 5; 81%-90% - оценка 4; 66%-80% - оценка 3; меньше 65% - оценка 2!. "
    "Свои пожелания и замечания присылайте автору по адресу: '613210, Кировская обл., г.\u00A0Заречинск, "
    "ул.\u00A0Школьная, д.\u00A012, средняя школа №\u00A02, Лузгину А.\u00A0Н.'");

} // namespace

QString helpText()
{
    return Requirements + Scoring + Criteria;
}

Form4::Form4()
{
    buildWindow(*this, *this, windowTable);
    Command1 = control<QPushButton>(*this, "Command1");
    Text1 = control<QPlainTextEdit>(*this, "Text1");
    Shape1 = control<FrameShape>(*this, "Shape1");
    Shape2 = control<FrameShape>(*this, "Shape2");
    Shape3 = control<FrameShape>(*this, "Shape3");
    Line3 = control<LineShape>(*this, "Line3");
    Image1 = control<QLabel>(*this, "Image1");
    Image2 = control<QLabel>(*this, "Image2");
    Image5 = control<QLabel>(*this, "Image5");
    Label1 = control<CaptionLabel>(*this, "Label1");
    Label3 = control<CaptionLabel>(*this, "Label3");
    Label4 = control<CaptionLabel>(*this, "Label4");
    Label5 = control<CaptionLabel>(*this, "Label5");
    Label8 = control<CaptionLabel>(*this, "Label8");
    // Pupils read the text and may scroll and select it, but not change it.
    Text1->setReadOnly(true);
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this, &Form4::Command1_Click);
    Form_Load();
}

void Form4::Form_Load()
{
    Text1->setPlainText(helpText());
}

void Form4::Command1_Click()
{
    returnToMainWindow(*this);
}

// Closed by the desktop: as "Ok", so the main window is never left disabled.
void Form4::closeEvent(QCloseEvent *event)
{
    event->ignore();
    Command1_Click();
}
