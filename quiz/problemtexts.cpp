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
    {ProblemId::RecordLineCut, Part,
     u"Строка оборвана: в ней меньше трёх полей (имя, тема, оценка), а следующая строка начинает другую запись."},
    {ProblemId::MoreDamagedRecords, Warning, u"Дальше в файле есть ещё повреждённые записи; они тоже пропущены."},
    {ProblemId::RecordsUnwritableCharacters, Error,
     u"Имя или тема содержат знаки, которые нельзя записать в файл рекордов."},
    {ProblemId::RecordsWriteFailed, Error, u"Не удалось записать в файл рекордов %1: %2."},
    {ProblemId::RecordsOpenFailed, Error, u"Не удалось открыть файл рекордов %1: %2."},
    {ProblemId::RecordsReadFailed, Error, u"Не удалось прочитать файл рекордов %1: %2."},
    {ProblemId::RecordsBusy, Error, u"Файл рекордов %1 занят другой программой: он не освободился за %2 с."},
    {ProblemId::RecordsUnconfirmed, Error,
     u"Запись в файл рекордов %1 не подтвердилась: в этой папке не работают блокировки файлов, и другая копия "
     u"программы писала в файл одновременно. Результат, возможно, не сохранён."},
    {ProblemId::RecordsTooLarge, Error, u"Файл рекордов %1 слишком велик, чтобы его показать."},
    {ProblemId::RecordsResultNotSaved, Part, u"Результат не удалось записать в файл рекордов."},
    {ProblemId::SystemNoFolder, Part, u"нет папки, в которой он должен лежать"},
    {ProblemId::SystemFileInPath, Part, u"в пути к нему вместо папки стоит файл"},
    {ProblemId::SystemNoPermission, Part, u"нет прав на запись в этот файл или в его папку"},
    {ProblemId::SystemReadOnly, Part, u"диск или папка доступны только для чтения"},
    {ProblemId::SystemDiskFull, Part, u"на диске нет места"},
    {ProblemId::SystemQuotaFull, Part, u"на диске кончилось место, отведённое этому пользователю"},
    {ProblemId::SystemTooManyFiles, Part, u"открыто слишком много файлов"},
    {ProblemId::SystemFileBusy, Part, u"файл занят другой программой"},
    {ProblemId::SystemNoLocks, Part, u"в этой папке не работают блокировки файлов"},

    {ProblemId::RecordsFileMissing, Error, u"Файла рекордов нет."},
    {ProblemId::UnicodeRecordsFile, Warning,
     u"Файл рекордов сохранён в кодировке %1, а программа читает его и дописывает только в Windows-1251: "
     u"в окне «Рекорды» имена и темы будут искажены. Переведите файл командой «zuf-check --fix-encoding %2»."},
    {ProblemId::SharedQuestion, Warning,
     u"Вопрос %1 «%2» есть и среди первых десяти вопросов файла %3 (вопрос %4): ученик встретит его "
     u"в двух темах."},
    {ProblemId::Converted, Part, u"%1: переведён из %2 в Windows-1251 со строками CR LF; прежний файл сохранён как %3."},
    {ProblemId::AlreadyWindows1251, Part, u"%1: не изменён: это не UTF-8, UTF-16, KOI8-R, CP866, ISO-8859-5 или Mac Cyrillic, а, по всей видимости, "
     u"уже Windows-1251."},
    {ProblemId::NoWindows1251Form, Error,
     u"Знак «%1» (U+%2) нельзя записать в Windows-1251, поэтому файл не переведён и не изменён. "
     u"Замените этот знак и повторите команду."},
    {ProblemId::ConversionFailed, Error, u"Файл не переведён: %1."},
    {ProblemId::ConversionBadBytes, Error,
     u"Файл не переведён: похоже, он в кодировке %1, но в нём есть байты, которые в ней не читаются."},
    {ProblemId::ConversionBackupFailed, Error,
     u"Файл не переведён: не удалось сохранить его прежнюю копию %1 (%2)."},
    {ProblemId::ConversionTooLarge, Part, u"он больше %1 МБ"},
    {ProblemId::ReportNotWritten, Part, u"zuf-check: не удалось вывести отчёт: %1."},

    {ProblemId::BlankLine, Error,
     u"Пустая строка: программа читает её как пустое поле, и все поля после неё сдвигаются на одно. "
     u"Удалите эту строку: пустых строк внутри файла быть не должно."},
    {ProblemId::Semicolons, Error,
     u"Поля разделены точкой с запятой, а программа разделяет поля только запятыми (так бывает, когда файл "
     u"сохранён из электронной таблицы). Замените точки с запятой между полями на запятые."},
    {ProblemId::QuoteNotClosed, Error,
     u"Текст, который начинается здесь с кавычки, не закрыт кавычкой: программа читает его дальше, до следующей "
     u"кавычки, и все поля после него сдвигаются. Поставьте закрывающую кавычку в конце этого текста."},
    {ProblemId::TooFewFields, Error,
     u"В строке полей: %1, а у вопроса их десять (текст вопроса, четыре ответа, пустое поле и четыре флага): "
     u"одно или несколько полей пропущены. Допишите недостающие поля через запятую."},
    {ProblemId::TooManyFields, Error,
     u"В строке полей: %1, а у вопроса их десять (текст вопроса, четыре ответа, пустое поле и четыре флага): "
     u"лишнее поле начинается здесь. Уберите его; если запятая стоит внутри текста, заключите этот текст в кавычки."},
    {ProblemId::HeaderFieldCount, Error,
     u"В первой строке чисел: %1, а нужно четыре: пороги оценок 5, 4 и 3 и ещё одно число (например, 0). "
     u"Запишите их через запятую, например: 18,16,13,0."},
    {ProblemId::TabSeparator, Error,
     u"Здесь стоит табуляция, а поля разделяются только запятыми: программа читает табуляцию как часть поля. "
     u"Замените её запятой."},
    {ProblemId::FlagNotZeroOrOne, Warning,
     u"Флаг «%1»: флаг равен 1 у правильного ответа и 0 у неправильного, а всё, кроме 1, программа считает "
     u"неправильным ответом. Поставьте 1 или 0."},
    {ProblemId::FlagNotANumber, Error,
     u"Флаг «%1» не число, и программа такой файл не откроет: флаг равен 1 у правильного ответа и 0 у "
     u"неправильного. Поставьте 1 или 0."},
    {ProblemId::EmptyAnswer, Warning,
     u"Ответ %1 вопроса %2 пуст: ученик увидит флажок без текста. Впишите ответ."},
    {ProblemId::GradesNeverGiven, Warning,
     u"При порогах %1, %2, %3 оценки %4 не ставятся ни при каком числе баллов: программа сравнивает баллы "
     u"сначала с порогом "
     u"пятёрки, затем четвёрки, затем тройки. Пороги пишутся по убыванию: порог пятёрки больше порога четвёрки, "
     u"а тот больше порога тройки, например 18,16,13,0."},
    {ProblemId::LimitAboveMaximum, Warning,
     u"Порог оценки %1 равен %2, а в первых десяти вопросах можно набрать не больше %3 баллов: оценку %1 "
     u"не получит никто. Уменьшите порог."},
    {ProblemId::AllAnswersRight, Warning,
     u"У вопроса %1 все четыре ответа правильные: кто отметит все флажки, получит баллы, не думая. "
     u"Сделайте хотя бы один ответ неправильным (флаг 0)."},
    {ProblemId::TextTooLong, Warning,
     u"%1 не помещается в свою рамку в окне ученика: конец текста ученик не увидит. Сократите текст."},
    {ProblemId::FieldQuestionText, Part, u"Текст вопроса %1"},
    {ProblemId::FieldAnswerText, Part, u"Ответ %2 вопроса %1"},
    {ProblemId::QuestionFileNotAFile, Error, u"Это не файл вопросов: %1."},
    {ProblemId::QuestionFileMissing, Error, u"Файл вопросов не найден в папке %1."},
    {ProblemId::QuestionFileUnopenable, Error, u"Файл вопросов не удаётся открыть для чтения: %1."},
    {ProblemId::QuestionFileUnreadable, Error, u"Файл вопросов не удаётся прочитать: %1."},
    {ProblemId::RecordsFileAsQuestions, Error,
     u"Похоже, это файл рекордов, а не файл вопросов: в первой строке имя, тема и оценка. Если это файл "
     u"рекордов, проверьте его командой «zuf-check --records %1»."},
    {ProblemId::GradeOutOfRange, Warning,
     u"Оценка %1 у записи «%2, %3» лежит вне пределов от 2 до 5: программа таких не ставит, а окно «Рекорды» "
     u"покажет её как есть."},
    {ProblemId::MixedRecordsFile, Warning,
     u"Строка %1 записана в UTF-8, а другие строки файла рекордов в Windows-1251: в окне «Рекорды» такие строки "
     u"будут искажены. Переведите файл командой «zuf-check --fix-encoding %2»: она переведёт каждую строку."},
    {ProblemId::MixedRecordsSource, Part, u"UTF-8 и Windows-1251 по строкам"},
    {ProblemId::SpokenAnswerTaken, Part, u"Ответ принят."},
    {ProblemId::SpokenQuestionPlace, Part, u"Вопрос %1 из %2."},
    {ProblemId::FolderKeepsNoResults, Error,
     u"Результат теста не будет сохранён: в папку %1 программа не может записать файл рекордов records.ssu "
     u"(%2). Тест пройти можно, но оценку запишите сами. Чтобы результаты сохранялись, попросите учителя "
     u"открыть эту папку для записи или запускать программу из папки, открытой для записи."},
    {ProblemId::FolderHasNoQuestions, Error,
     u"В папке %1 нет файлов вопросов (%2): ни один тест не откроется. Программу нужно запускать из папки "
     u"с файлами вопросов: попросите учителя проверить рабочую папку программы."},
    {ProblemId::NotAFileFolder, Part, u"на месте файла находится папка"},
    {ProblemId::NotAFilePipe, Part, u"это не файл, а именованный канал"},
    {ProblemId::NotAFileDevice, Part, u"это не файл, а устройство"},
    {ProblemId::NotAFileSocket, Part, u"это не файл, а сокет"},
    {ProblemId::UntrustedLink, Part,
     u"это ссылка, которую создал другой пользователь, а не вы, не владелец папки и не администратор; "
     u"по такой ссылке программа не пишет"},
    {ProblemId::OutOfMemory, Error, u"Не хватило памяти, чтобы проверить или перевести файл %1."},

    {ProblemId::RepeatedQuestion, Warning, u"Вопрос %1 повторяет вопрос %2 этого же файла."},
    {ProblemId::UnwritableCharacter, Error,
     u"%1: в нём знак «%2» (U+%3), которого файл вопросов не может хранить: в Windows-1251 его нет, "
     u"либо это кавычка или перевод строки. Замените этот знак."},
    {ProblemId::OpenedConverted, Warning,
     u"Файл был сохранён в кодировке %1; буквы прочитаны верно, а сохранён он будет в Windows-1251."},
    {ProblemId::BankNotOpened, Error, u"Файл вопросов не открыт: %1."},
    {ProblemId::BankMissing, Part, u"такого файла нет"},
    {ProblemId::SaveFailed, Error,
     u"Файл не сохранён: %1. Прежний файл не изменён, правки остались в окне."},
    {ProblemId::BackupFailed, Error,
     u"Файл не сохранён: не удалось сохранить прежнюю копию %1 (%2). Прежний файл не изменён, правки остались в окне."},
    {ProblemId::SaveRefused, Error,
     u"Файл не сохранён: %1 содержит знак «%2», которого файл вопросов не может хранить. Замените его."},
    {ProblemId::SavePartial, Warning,
     u"Тест не принимает этот файл, и прочитана только его часть (вопросов: %1). Если сохранить, "
     u"непрочитанное пропадёт из файла, а прежний файл останется как %2. Сохранить?"},
    {ProblemId::ChangedOnDisk, Warning,
     u"Файл %1 изменён другой программой после того, как был открыт здесь. Заменить его тем, что в этом окне?"},
    {ProblemId::LimitsProposed, Part,
     u"По критериям справки (91 %, 81 %, 66 %) при %1 верных ответах в первых десяти вопросах: "
     u"оценка 5 от %2, оценка 4 от %3, оценка 3 от %4."},
    {ProblemId::GradeScale, Part, u"Баллы — оценка: %1"},
    {ProblemId::AtLine, Part, u"Строка %1: %2"},
    {ProblemId::PupilNotStarted, Error, u"Программу ученика не удалось запустить: %1."},
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
