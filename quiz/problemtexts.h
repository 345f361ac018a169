#pragma once
// Every sentence that the file readers and zuf-check say to a teacher, written once
// in one table (problemtexts.cpp), so that each can be checked word for word.

#include "quiz/quizerror.h"
#include <QString>
#include <concepts>

enum class ProblemId {
    None,   // a message written elsewhere (the open routines, the windows)

    // The field reader.
    FileEndsInsideRecord,
    QuoteNeverClosed,
    QuoteOverLines,
    CharactersAfterQuote,
    TabBeforeQuote,
    FieldTooLong,
    NotANumber,
    NumberOutOfRange,

    // The question-file loader.
    UnicodeFile,
    HeaderEnds,
    QuestionEnds,
    TooManyQuestions,
    TooFewQuestions,
    NoRightAnswer,
    ThresholdsOffCriteria,
    CriteriaThreshold3Either,   // a part of ThresholdsOffCriteria
    SplitText,
    SplitSymptomFlag,           // parts of SplitText
    SplitSymptomExtraFields,
    CommaAfterLastRecord,
    CommaAfterRecord,
    QuestionFileTooLarge,

    // The records reader.
    LastRecordTorn,
    RecordSkipped,
    RecordLineCut,              // a part of RecordSkipped
    MoreDamagedRecords,
    // The records file's opening, reading and writing faults.
    RecordsUnwritableCharacters,
    RecordsWriteFailed,
    RecordsOpenFailed,
    RecordsReadFailed,
    RecordsBusy,
    RecordsUnconfirmed,
    RecordsTooLarge,
    RecordsResultNotSaved,
    // The system's reasons as a pupil reads them (parts of the faults above).
    SystemNoFolder,
    SystemFileInPath,
    SystemNoPermission,
    SystemReadOnly,
    SystemDiskFull,
    SystemQuotaFull,
    SystemTooManyFiles,
    SystemFileBusy,
    SystemNoLocks,

    // zuf-check.
    RecordsFileMissing,
    UnicodeRecordsFile,
    SharedQuestion,
    Converted,
    AlreadyWindows1251,
    NoWindows1251Form,
    ConversionFailed,
    ConversionBadBytes,
    ConversionBackupFailed,
    ConversionTooLarge,         // a part of ConversionFailed
    ReportNotWritten,

    // The checker of question files (questioncheck).
    BlankLine,
    Semicolons,
    QuoteNotClosed,
    TooFewFields,
    TooManyFields,
    HeaderFieldCount,
    TabSeparator,
    FlagNotZeroOrOne,
    FlagNotANumber,
    EmptyAnswer,
    GradesNeverGiven,
    LimitAboveMaximum,
    AllAnswersRight,
    TextTooLong,
    FieldQuestionText,          // parts of TextTooLong
    FieldAnswerText,
    QuestionFileNotAFile,
    QuestionFileMissing,
    QuestionFileUnopenable,
    QuestionFileUnreadable,
    RecordsFileAsQuestions,
    GradeOutOfRange,
    MixedRecordsFile,
    MixedRecordsSource,         // a part of Converted
    // What a screen reader says on the pupil's windows beside their shown texts.
    SpokenAnswerTaken,
    SpokenQuestionPlace,
    // What stands under a file's name instead of a file, and a link not followed.
    FolderKeepsNoResults,
    FolderHasNoQuestions,
    NotAFileFolder,
    NotAFilePipe,
    NotAFileDevice,
    NotAFileSocket,
    UntrustedLink,
    OutOfMemory,

    // The teacher's workbench.
    RepeatedQuestion,
    UnwritableCharacter,
    OpenedConverted,
    BankNotOpened,
    BankMissing,
    SaveFailed,
    BackupFailed,
    SaveRefused,
    SavePartial,
    ChangedOnDisk,
    LimitsProposed,
    GradeScale,                 // parts of the limits' box and the problem list
    AtLine,
    PupilNotStarted,
    // The teacher's results of a class.
    ResultsSkipped,
    ResultsSkippedMore,
    ResultsGradesOutside,
    ResultsNoRecords,
    ResultsCsvFormat,
    ResultsCsvWritten,
    ResultsCsvFailed,
    ResultsCsvOverProgramFile,
    ResultsNoChart,
    ResultsChartDescription,
    ResultsNoMemory,

    Count
};

enum class ProblemKind { Error, Warning, Part };

// The text with its %1, %2... still in place.
QString problemTemplate(ProblemId id);
ProblemKind problemKind(ProblemId id);

inline QString problemArg(const QString &text) { return text; }
inline QString problemArg(std::integral auto number) { return QString::number(number); }

// The text with its arguments put in, all in one pass, so that a %1 inside a quoted
// piece of a file is never taken for a place to fill.
template <typename... Args>
QString problemText(ProblemId id, const Args &...args)
{
    if constexpr (sizeof...(Args) == 0)
        return problemTemplate(id);
    else
        return problemTemplate(id).arg(problemArg(args)...);
}

// A finding at a place in a file, its severity taken from the table.
template <typename... Args>
FileProblem problemAt(int line, int column, ProblemId id, const Args &...args)
{
    const Severity severity = problemKind(id) == ProblemKind::Warning ? Severity::Warning : Severity::Error;
    return FileProblem{line, column, severity, problemText(id, args...), id};
}
