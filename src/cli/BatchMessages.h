#pragma once
// korvane-batch's own messages on stderr.  They are Japanese, like the log
// lines and the system's own messages they stand beside, and every one of
// them is a row of one table (BatchMessages.cpp): a new message is a new
// row, and the program's wording can be read in one place.  --help,
// --help-keys and the manual page stay English; they are documentation,
// not messages.
//
// A text names its arguments {1}, {2}, ... so that a sentence may put them
// in the order the language wants.  Texts and arguments are UTF-8.

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

enum class TBatchText {
  // The command line.
  SeeHelp,
  SetNoEquals,
  SetNoSection,
  SetEmptySection,
  SetEmptyKey,
  SetNotUtf8,
  SetTooManyUnicode,
  UndoTwice,
  UndoNeedsLog,
  UndoLogTooManyUnicode,
  UnknownMode,
  TwoModes,
  OptionTakesNoValue,
  UnknownOption,
  OptionNeedsValue,
  OptionValueTooManyUnicode,
  OptionTwice,
  DryRunMode,
  NoMode,
  OneAction,
  AllWithoutUndo,
  NullWithoutList,
  LogWithList,
  LogWithoutRun,
  JobWithSettings,
  NamesFromWithoutRename,
  ConfirmWithoutRun,
  YesWithoutQuestion,
  StepsUnknown,
  StepsTwice,
  StepsEmpty,
  // --set and --print-settings.
  KeyUnknownSection,
  KeyUnknown,
  KeyOfOtherSection,
  KeyMultiLine,
  KeyTooLong,
  KeyNotACaption,
  KeyOutOfDomain,
  KeyBadDate,
  KeyBadTime,
  DomainText,
  DomainCaption,
  DomainDate,
  DomainTime,
  DomainFlag,
  DomainInteger,
  DomainChoice,
  JobNotShiftJis,
  // The settings file.
  SettingsDanglingLink,
  SettingsNotFound,
  SettingsUnreadable,
  ReasonFifo,
  ReasonNotRegular,
  OrderRepeated,
  OrderUnknown,
  OrderMissing,
  // Named jobs.
  JobNotFound,
  JobBadName,
  NoJobs,
  // The run.
  CopyNotice,
  PassedOver,
  BadDateTimeIn,
  BadDateTime,
  OutputNotWritten,
  Summary,
  PlanSummary,
  UndoLinesPassedOver,
  FailureCount,
  UnreadFolder,
  // Names from a list, names in an editor, the question before a run.
  NamesFromUnreadable,
  NamesFromNoTab,
  NamesFromNotTarget,
  NamesFromTwice,
  NamesFromEmptyName,
  NamesFromTooManyUnicode,
  OtherFolder,
  NoTerminal,
  NothingToRename,
  NameWithLineBreak,
  EditTempFile,
  EditorFailed,
  EditorSignal,
  EditUnreadable,
  EditLineCount,
  EditEmptyLine,
  EditTooManyUnicode,
  EditChanged,
  EditChangedFails,
  EditNoChange,
  EditCount,
  PassedOverUnchanged,
  AskRename,
  AskRun,
  Declined,
  // Errors that are no error of the system's own.
  OutOfMemory,
  UnexpectedError,
  Count_
};

// The text of `id` with {n} replaced by the n-th argument.
std::string BatchText(TBatchText id, std::initializer_list<std::string_view> arguments = {});

// What an exception that is none of the system's own says (std::bad_alloc
// and the like).
std::string ExceptionText(const std::exception &error);

// An errno value as a reason, in the words of the run's records (UTF-8).
std::string SystemErrorText(int error);
