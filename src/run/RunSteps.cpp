#include "run/RunSteps.h"

#include "ops/UnitFileCn.h"
#include "platform/Paths.h"
#include "run/ValidateRun.h"
#include "select/SortEntries.h"

TWalkOptions RunWalkOptions(RunMode mode, const JobSettings &job, const DateTimeParts &dateFrom,
                            const DateTimeParts &dateTo) {
  const JobSettings::FindFileGroup &find = job.FindFile;
  TWalkOptions options;
  options.FileOnly = find.FileOnly;
  options.SizeFrom = find.SizeFrom;
  options.SizeTo = find.SizeTo;
  options.HasDateFrom = !IsEmptyDateField(find.DateFrom);
  options.DateRangeFrom = dateFrom;
  options.HasDateTo = !IsEmptyDateField(find.DateTo);
  options.DateRangeTo = dateTo;
  options.ExcReadOnly = find.ExcReadOnly;
  options.ExcHidden = find.ExcHidden;
  options.ExcSysFile = find.ExcSysFile;
  options.SubFolder = find.SubFolder;
  options.RemoveFolderTargets =
      mode == RunMode::Delete || (mode == RunMode::Copy && job.Copy.Delete != 1);
  options.FlattenSubfolders = mode == RunMode::Copy && find.FileOnly == 0 && !job.Copy.KeepTree;
  options.SubfoldersStayPut = mode == RunMode::List || mode == RunMode::Change ||
                              mode == RunMode::Delete || (mode == RunMode::Rename && !job.Rename.Copy);
  return options;
}

void PrepareRenameLevel(TRenameCn &rename, std::vector<TargetEntry> &entries) {
  if (!rename.IsStepEnabled(kStepSequence)) return;
  SortEntries(entries, rename.SortKind, rename.DateSource);
  rename.SeqCounter = rename.SeqStart;
}

bool RenameUsesShotTime(const TRenameCn &rename) {
  return (rename.AppliesStep(kStepDate) && rename.DateSource == kDateSourceShot) ||
         (rename.IsStepEnabled(kStepSequence) && SortsByShot(rename.SortKind, rename.DateSource));
}

TMediaNeed RunMediaNeed(RunMode mode, const TRenameCn &rename, const TChangeCn &change) {
  // The change that follows a rename or copy needs what a change run does.
  const bool shotTimes = change.IfUpDate && change.UpDateShot;
  switch (mode) {
  case RunMode::Rename:
    if (rename.UsesTemplate()) return TMediaNeed::Everything;
    return RenameUsesShotTime(rename) || shotTimes ? TMediaNeed::Taken : TMediaNeed::None;
  case RunMode::Copy:
  case RunMode::Change: return shotTimes ? TMediaNeed::Taken : TMediaNeed::None;
  case RunMode::Delete:
  case RunMode::List: break;
  }
  return TMediaNeed::None;
}

void AdvanceSeqCounter(TRenameCn &rename) {
  if (rename.IsStepEnabled(kStepSequence))
    rename.SeqCounter = static_cast<int>(static_cast<unsigned>(rename.SeqCounter) +
                                         static_cast<unsigned>(rename.SeqStep));
}

namespace {

// `path` without its last component (and without a trailing delimiter).
std::string_view Up(std::string_view path) {
  const std::size_t at = LastDelimiterOffset(path, std::string_view(&kPathDelimiter, 1));
  return at == std::string_view::npos ? std::string_view() : path.substr(0, at == 0 ? 1 : at);
}

}  // namespace

std::string SourceFolderOf(std::string_view levelFolder, std::string_view levelDestination,
                           std::string_view made) {
  const std::string source = ExcludeTrailingDelimiter(levelFolder);
  const std::string dest = ExcludeTrailingDelimiter(levelDestination);
  std::string_view from = source, to = dest;
  while (to.size() > made.size() && Up(to).size() < to.size() && Up(from).size() < from.size()) {
    to = Up(to);
    from = Up(from);
  }
  return std::string(from);
}

bool FollowsUp(const TChangeCn &change) {
  return change.IfUpDate || change.IfNwDate || change.IfAcDate || change.Attr;
}

TChangeNumbers ChangeNumbersOf(const TChangeCn &change, std::uint32_t attributesBefore) {
  return TChangeNumbers{change.UpDateOld,  change.NwDateOld,  change.AcDateOld,
                        static_cast<std::int32_t>(attributesBefore),
                        change.UpDateDone, change.NwDateDone, change.AcDateDone, change.AttrDone};
}
