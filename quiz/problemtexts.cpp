#include "quiz/problemtexts.h"

namespace {

struct ProblemRow {
    ProblemId id;
    ProblemKind kind;
    const char16_t *text;
};

using enum ProblemKind;

// In the order of the enumeration: problemTemplate looks a row up by its index.
constexpr ProblemRow Problems[] = {
    {ProblemId::None, Part, u"%1"},

    {ProblemId::FileEndsInsideRecord, Error, u"Файл кончается посреди записи: не хватает полей."},
    {ProblemId::QuoteNeverClosed, Error,
     u"Файл кончается внутри текста в кавычках: закрывающая кавычка не найдена."},
    {ProblemId::QuoteOverLines, Warning,
     u"Текст в кавычках занимает несколько строк: возможно, пропущена закрывающая кавычка."},
    {ProblemId::CharactersAfterQuote, Warning,
     u"После закрывающей кавычки стоят знаки «%1»; программа их пропускает."},
    {ProblemId::TabBeforeQuote, Warning,
     u"Перед кавычкой стоит табуляция, а перед полем программа пропускает только пробелы: ученик увидит "
     u"этот текст вместе с табуляцией и обеими кавычками. Уберите табуляцию."},
    {ProblemId::FieldTooLong, Error, u"Поле длиннее %1 знаков: такое поле программа не читает."},
    {ProblemId::NotANumber, Error, u"Здесь должно стоять целое число, а стоит «%1»."},
    {ProblemId::NumberOutOfRange, Error, u"Число %1 лежит вне пределов от -32768 до 32767."},

    {ProblemId::UnicodeFile, Error,
     u"Файл сохранён в кодировке %1, а программа читает только Windows-1251: ученики увидели бы вместо "
     u"русских букв непонятные знаки. Переведите файл командой «zuf-check --fix-encoding %2» "
     u"или «%3» (и замените прежний файл новым) либо пересохраните "
     u"его в редакторе в кодировке Windows-1251 (в Блокноте: «Сохранить как» → «Кодировка: ANSI»)."},
    {ProblemId::HeaderEnds, Error,
     u"Файл кончается в заголовке: нужны четыре числа (пороги оценок 5, 4 и 3 и ещё одно число), "
     u"а прочитано чисел: %1."},
    {ProblemId::QuestionEnds, Error, u"Файл кончается посреди вопроса %1: прочитано полей: %2 из десяти."},
    {ProblemId::TooManyQuestions, Error, u"В файле больше 90 вопросов: вопрос 91 программа не принимает."},
    {ProblemId::TooFewQuestions, Error,
     u"Вопросов в файле: %1, а тест показывает десять: нужно не меньше десяти вопросов."},
    {ProblemId::NoRightAnswer, Warning,
     u"У вопроса %1 нет правильного ответа (ни один флаг не равен 1): любой ответ на него отнимает баллы."},
    {ProblemId::ThresholdsOffCriteria, Warning,
     u"Пороги %1, %2, %3 расходятся с критериями оценки из справки: правильных ответов в первых десяти "
     u"вопросах %4, и по критериям пороги были бы %5, %6, %7."},
    {ProblemId::CriteriaThreshold3Either, Part, u"%1 (или %2)"},
    {ProblemId::SplitText, Warning,
     u"Текст без кавычек; %1: возможно, запятая внутри текста разбила его на два поля. "
     u"Заключите тексты в кавычки."},
    {ProblemId::SplitSymptomFlag, Part, u"дальше в вопросе %1 вместо флага стоит текст"},
    {ProblemId::SplitSymptomExtraFields, Part, u"после десятого поля вопроса %1 в той же строке есть ещё поля"},
    {ProblemId::CommaAfterLastRecord, Warning,
     u"После десятого поля вопроса %1 стоит лишняя запятая; в конце файла программа её пропускает, "
     u"но лучше её убрать."},
    {ProblemId::CommaAfterRecord, Warning,
     u"После десятого поля вопроса %1 стоит лишняя запятая: с неё начинается следующий вопрос, "
     u"и все дальнейшие поля сдвигаются на одно. Уберите её."},
    {ProblemId::QuestionFileTooLarge, Error, u"Файл больше %1 МБ: такой файл вопросов программа не читает."},

    {ProblemId::LastRecordTorn, Warning, u"Последняя запись оборвана (в ней меньше трёх полей) и пропущена."},
    {ProblemId::RecordSkipped, Warning, u"%1 Запись, начатая в строке %2, пропущена."},
    {ProblemId::MoreDamagedRecords, Warning, u"Дальше в файле есть ещё повреждённые записи; они тоже пропущены."},

    {ProblemId::RecordsFileMissing, Error, u"Файла рекордов нет."},
    {ProblemId::UnicodeRecordsFile, Warning,
     u"Файл рекордов сохранён в кодировке %1, а программа читает его и дописывает только в Windows-1251: "
     u"в окне «Рекорды» имена и темы будут искажены. Переведите файл командой «zuf-check --fix-encoding %2»."},
    {ProblemId::SharedQuestion, Warning,
     u"Вопрос %1 «%2» есть и среди первых десяти вопросов файла %3 (вопрос %4): ученик встретит его "
     u"в двух темах."},
    {ProblemId::Converted, Part, u"%1: переведён из %2 в Windows-1251 со строками CR LF; прежний файл сохранён как %3."},
    {ProblemId::AlreadyWindows1251, Part, u"%1: не изменён: это не UTF-8 и не UTF-16, а, по всей видимости, уже Windows-1251."},
    {ProblemId::NoWindows1251Form, Error,
     u"Знак «%1» (U+%2) нельзя записать в Windows-1251, поэтому файл не переведён и не изменён. "
     u"Замените этот знак и повторите команду."},
    {ProblemId::ConversionFailed, Error, u"Файл не переведён: %1."},
    {ProblemId::ConversionBadBytes, Error,
     u"Файл не переведён: похоже, он в кодировке %1, но в нём есть байты, которые в ней не читаются."},
    {ProblemId::ConversionBackupFailed, Error,
     u"Файл не переведён: не удалось сохранить его прежнюю копию %1 (%2)."},
    {ProblemId::ConversionNotAFile, Part, u"это не файл, а папка или устройство"},
    {ProblemId::ConversionTooLarge, Part, u"он больше %1 МБ"},
    {ProblemId::ReportNotWritten, Part, u"zuf-check: не удалось вывести отчёт: %1."},

    {ProblemId::ResultsSkipped, Warning,
     u"Повреждённых записей пропущено: %1 (первая — в строке %2); окно «Рекорды» их тоже не показывает."},
    {ProblemId::ResultsSkippedMore, Warning,
     u"Повреждённых записей пропущено больше %1 (первая — в строке %2); окно «Рекорды» их тоже не показывает."},
    {ProblemId::ResultsGradesOutside, Warning,
     u"Записей с оценкой не от 2 до 5: %1. В таблице они есть, а в диаграмму и средний балл не вошли."},
    {ProblemId::ResultsNoRecords, Part, u"В папке %1 нет файла рекордов: здесь ещё никто не прошёл тест."},
    {ProblemId::ResultsCsvFormat, Part,
     u"В файле CSV поля разделены точкой с запятой, текст в кодировке UTF-8 с меткой BOM: так его сразу "
     u"правильно открывают Excel и LibreOffice Calc с русскими настройками, где запятая — десятичный знак."},
    {ProblemId::ResultsCsvWritten, Part, u"Строк таблицы записано в файл %1: %2."},
    {ProblemId::ResultsCsvFailed, Error, u"Не удалось записать файл %1: %2."},
    {ProblemId::ResultsCsvOverProgramFile, Part,
     u"это файл программы тестов (.ssu); выберите для таблицы другое имя"},
    {ProblemId::ResultsNoChart, Part,
     u"Диаграмма в этой сборке не рисуется: в ней нет модуля Qt Charts. Те же числа стоят в таблице "
     u"«Оценки по темам»."},
    {ProblemId::ResultsChartDescription, Part, u"Те же числа стоят в таблице «Оценки по темам»."},
    {ProblemId::ResultsNoMemory, Error, u"Для файла рекордов %1 не хватает памяти."},
};

static_assert(std::size(Problems) == size_t(ProblemId::Count), "one row per message");

constexpr bool rowsInOrder()
{
    for (size_t i = 0; i < std::size(Problems); ++i) {
        if (Problems[i].id != ProblemId(i))
            return false;
    }
    return true;
}
static_assert(rowsInOrder(), "rows in the order of ProblemId");

const ProblemRow &rowOf(ProblemId id)
{
    const auto index = size_t(id);
    return Problems[index < std::size(Problems) ? index : 0];
}

} // namespace

QString problemTemplate(ProblemId id)
{
    return QString::fromUtf16(rowOf(id).text);
}

ProblemKind problemKind(ProblemId id)
{
    return rowOf(id).kind;
}
