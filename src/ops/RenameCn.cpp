// The rename pipeline and the rename of one target on disk.

#include <string>

#include "ops/FileInfoTemplate.h"
#include "ops/FormatDateTime.h"
#include "ops/NameParts.h"
#include "ops/UnitFileCn.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Inspect.h"
#include "platform/Paths.h"
#include "regex/RegExpError.h"

namespace {

bool InRange(int index, int count) { return index >= 0 && index < count; }

}  // namespace

void TRenameCn::SetStepOrder(int position, int step) {
  if (InRange(position, kRenameStepCount)) StepOrder[position] = step;
}

bool TRenameCn::IsStepEnabled(int step) const {
  return InRange(step, kRenameStepCount) && StepEnabled[step];
}

void TRenameCn::SetStepEnabled(int step, bool flag) {
  if (InRange(step, kRenameStepCount)) StepEnabled[step] = flag;
}

std::string TRenameCn::GetFromName(int index) const {
  return InRange(index, kReplaceConditionCount) ? FromName[index] : std::string();
}

void TRenameCn::SetFromName(int index, const std::string &text) {
  if (InRange(index, kReplaceConditionCount)) FromName[index] = text;
}

std::string TRenameCn::GetToName(int index) const {
  return InRange(index, kReplaceConditionCount) ? ToName[index] : std::string();
}

void TRenameCn::SetToName(int index, const std::string &text) {
  if (InRange(index, kReplaceConditionCount)) ToName[index] = text;
}

bool TRenameCn::GetNoCase(int index) const {
  return InRange(index, kReplaceConditionCount) && NoCase[index];
}

void TRenameCn::SetNoCase(int index, bool flag) {
  if (InRange(index, kReplaceConditionCount)) NoCase[index] = flag;
}

bool TRenameCn::AppliesStep(int step) const {
  for (const int at : StepOrder) {
    if (static_cast<unsigned>(at) >= static_cast<unsigned>(kRenameStepCount)) return false;
    if (at == step && StepEnabled[at]) return true;
  }
  return false;
}

std::string TRenameCn::BuildName(const std::string &name) {
  // The first step reads the name itself: it is not copied first.
  std::string current;
  const std::string *text = &name;
  for (const int step : StepOrder) {
    // The window keeps the enabled steps on top, so the first position that
    // holds no step number ends the list.
    if (static_cast<unsigned>(step) >= static_cast<unsigned>(kRenameStepCount)) break;
    if (!StepEnabled[step]) continue;
    switch (step) {
    case kStepReplace: current = ReplaceStep(*text); break;
    case kStepSequence: current = SequenceStep(*text); break;
    case kStepCase: current = CaseStep(*text); break;
    case kStepDate: current = DateStep(*text); break;
    case kStepExtension: current = ExtensionStep(*text); break;
    case kStepFolder: current = FolderStep(*text); break;
    default: continue;
    }
    text = &current;
  }
  return text == &name ? name : std::move(current);
}

TRenameCn::TNameBuilt TRenameCn::BuildTargetName(const std::string &name, DosDateTime time,
                                                 const TMediaFacts *media) {
  // Only the date step needs the time as a date.  A file time the packed
  // form cannot hold (before 1980, after 2107: an mtime of 0 from an archive
  // or a reproducible build) fails this one target, and only when the date
  // step would have used it.  A shooting time, where it is the date source
  // and the file has one, stands in for it.
  if (AppliesStep(kStepDate)) {
    try {
      if (DateSource == 1 && media != nullptr && media->Taken)
        FileDateTime = LocalPartsToDateTime(media->Taken->Local);
      else
        FileDateTime = DosDateTimeToDateTime(time);
    } catch (const EConvertError &) {
      ResultName = name;
      return TNameBuilt::TimeUnconvertible;
    }
  }
  // The target's information is there only while its name is built.
  struct TTargetScope {
    TRenameCn &Rename;
    ~TTargetScope() {
      Rename.ForTarget_ = false;
      Rename.Media_ = nullptr;
    }
  } scope{*this};
  ForTarget_ = true;
  Media_ = media;
  MissingField_.clear();
  // Once a run is under way an engine error (a condition changed in
  // mid-run, a result too long) fails this one target.
  try {
    ResultName = BuildName(name);
  } catch (const ERegExpParser &) {
    ResultName = name;
    return TNameBuilt::EngineError;
  }
  if (!MissingField_.empty()) {
    MissingField = MissingField_;
    ResultName = name;
    return TNameBuilt::FieldMissing;
  }
  return TNameBuilt::Built;
}

bool TRenameCn::UsesTemplate() const {
  return AppliesStep(kStepSequence) && SeqName && IfUnity && Unity == 2;
}

std::optional<std::string> TRenameCn::CheckTemplate() const {
  if (!UsesTemplate()) return std::nullopt;
  const TParsedTemplate parsed = ParseFileInfoTemplate(Template);
  if (parsed.Error.empty()) return std::nullopt;
  if (Template.empty()) return std::string("ファイル情報の書式が空です");
  return "ファイル情報の書式が正しくありません: " + parsed.Error;
}

bool TRenameCn::RenameTarget(const std::string &folder, const std::string &name,
                             const std::string &destination, DosDateTime time,
                             std::uint32_t attributes, const TMediaFacts *media) {
  return RenameIn(nullptr, folder, name, destination, time, attributes, media);
}

bool TRenameCn::RenameTarget(const TFolderHandle &held, const std::string &folder,
                             const std::string &name, const std::string &destination,
                             DosDateTime time, std::uint32_t attributes, const TMediaFacts *media) {
  return RenameIn(&held, folder, name, destination, time, attributes, media);
}

bool TRenameCn::RenameIn(const TFolderHandle *held, const std::string &folder,
                         const std::string &name, const std::string &destination,
                         DosDateTime time, std::uint32_t attributes, const TMediaFacts *media) {
  Failure = {};
  MadeFolders.clear();
  const auto fail = [this](TFailReason reason) {
    Failure = {reason};
    return false;
  };
  switch (BuildTargetName(name, time, media)) {
  case TNameBuilt::Built: break;
  case TNameBuilt::TimeUnconvertible: return fail(TFailReason::TimeUnconvertible);
  case TNameBuilt::EngineError: return fail(TFailReason::ReplaceFailed);
  case TNameBuilt::FieldMissing:
    fail(TFailReason::FieldMissing);
    Failure.Field = MissingField;
    return false;
  }
  return PutUnderResultName(held, folder, name, destination, attributes);
}

bool TRenameCn::RenameTargetTo(const std::string &folder, const std::string &name,
                               const std::string &destination, std::uint32_t attributes,
                               const std::string &newName, const TFolderHandle *held) {
  Failure = {};
  ResultName = newName;
  return PutUnderResultName(held, folder, name, destination, attributes);
}

bool TRenameCn::PutUnderResultName(const TFolderHandle *held, const std::string &folder,
                                   const std::string &name, const std::string &destination,
                                   std::uint32_t attributes) {
  const auto fail = [this](TFailReason reason) {
    Failure = {reason};
    return false;
  };
  if (ResultName == name) return fail(TFailReason::Unchanged);
  // A replacement must never move a target into another folder or onto its
  // parent: a name that is not a plain name fails and touches nothing.
  if (!IsPlainName(ResultName)) return fail(TFailReason::InvalidName);

  const auto checked = [this](bool ok) {
    if (!ok) Failure = FailureOf(errno);
    return ok;
  };
  const bool isFolder = (attributes & kAttrDirectory) != 0;
  // The run hears of the act first; it may forbid it (its journal failed).
  const auto allowed = [&](TActKind kind, const std::string &from, const std::string &to) {
    return !BeforeAct || BeforeAct(TAct{kind, from, to, isFolder, false});
  };
  const std::string source = IncludeTrailingDelimiter(folder) + name;
  if (!MakeCopy) {
    const std::string target = IncludeTrailingDelimiter(folder) + ResultName;
    if (!allowed(TActKind::Rename, source, target)) return checked(false);
    if (held) return checked(MoveFile(TEntryRef(*held, name), TEntryRef(*held, ResultName)));
    return checked(MoveFile(source, target));
  }

  const std::string target = IncludeTrailingDelimiter(destination) + ResultName;
  const TEntryRef sourceEntry = held ? TEntryRef(*held, name) : TEntryRef(source);
  // Each folder made on the way to the destination is an act of its own.
  const auto makingWay = [&](const std::string &way) {
    return !BeforeAct || BeforeAct(TAct{TActKind::MakeFolder, source, way, true, false, /*OnTheWay=*/true});
  };
  const std::string destFolder = ExcludeTrailingDelimiter(destination);
  if (!destFolder.empty()) ForceFolder(destFolder, &MadeFolders, makingWay);  // a failure shows in the copy
  // A folder target is only created in the destination; the run driver
  // descends into the source and copies its files.  A link to a folder is
  // copied as the link.
  if (isFolder) {
    const std::optional<FindEntry> found = InspectEntry(sourceEntry);
    if (!found || !found->IsSymlink) {
      if (FolderExists(target)) return true;
      return checked(allowed(TActKind::MakeFolder, source, target) && ForceFolder(target));
    }
  }
  // The link's act is a file's: the undo takes it as the link it is.
  if (BeforeAct && !BeforeAct(TAct{TActKind::Copy, source, target, /*Folder=*/false, false}))
    return checked(false);
  return checked(CopyFile(sourceEntry, target, /*failIfExists=*/true));
}
