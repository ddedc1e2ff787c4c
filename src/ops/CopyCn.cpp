// Copy with the same-name policy, and the numbered alias names.

#include <optional>
#include <string>
#include <utility>

#include "ops/NameParts.h"
#include "ops/Prediction.h"
#include "ops/UnitFileCn.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/FileSystems.h"
#include "platform/Inspect.h"
#include "platform/Paths.h"

namespace {

enum class TSameOutcome { Keep, Overwrite, Alias };

// The file already in the destination.  Its time and size are read only
// when a condition asks for them, and once.
class TExistingFile {
public:
  explicit TExistingFile(std::string folder, std::string name)
      : FFolder(std::move(folder)), FName(std::move(name)) {}
  // A file whose time the caller knows already (and its size, for a file
  // the caller has made itself); a size not given is read when needed.
  TExistingFile(std::string folder, std::string name, std::optional<DosDateTime> time,
                std::optional<std::int64_t> size)
      : FFolder(std::move(folder)), FName(std::move(name)), FTimeRead(true), FTime(time),
        FSize(size) {}

  // Last-write time, or nullopt when the file system gives none in range.
  std::optional<DosDateTime> Time() {
    if (!FTimeRead) {
      FTimeRead = true;
      const FindResult found = FindFiles(FFolder, FName);
      for (const FindEntry &entry : found.Entries) {
        if (entry.Name == FName && entry.TimeValid) FTime = entry.Time;
      }
    }
    return FTime;
  }

  // A size that cannot be read ends the run: deciding without it could
  // overwrite a file the user meant to keep.
  std::int64_t Size() {
    if (!FSize) {
      FSize = GetFileSize(FFolder + FName);
      if (!FSize) throw EInOutError(FFolder + FName + " を読み込めません");
    }
    return *FSize;
  }

private:
  std::string FFolder, FName;
  bool FTimeRead = false;
  std::optional<DosDateTime> FTime;
  std::optional<std::int64_t> FSize;
};

// Packed times order chronologically as unsigned numbers (dates from 2044 on
// have the top bit set).
bool OverwriteAllowed(int rule, TExistingFile &existing, DosDateTime time, std::int64_t size) {
  switch (rule) {
  case 0: return true;
  case 1: return false;
  case 2: {
    const auto other = existing.Time();
    return other && time >= *other;
  }
  case 3: {
    const auto other = existing.Time();
    return other && time <= *other;
  }
  case 4: return size >= existing.Size();
  case 5: return size <= existing.Size();
  default: return true;
  }
}

// A time that cannot be read counts as different: an alias keeps both files.
bool AliasAllowed(int rule, TExistingFile &existing, DosDateTime time, std::int64_t size) {
  switch (rule) {
  case 0: return true;
  case 1: return false;
  case 2: return existing.Time() != time;
  case 3: return existing.Size() != size;
  case 4: {
    const bool timeDiffers = existing.Time() != time;
    const bool sizeDiffers = existing.Size() != size;
    return timeDiffers || sizeDiffers;
  }
  default: return true;
  }
}

// `mayOverwrite` false: the existing file is the run's own output, which
// no policy overwrites; an alias the policy gives is taken all the same.
TSameOutcome Decide(const TCopyCn &cn, TExistingFile &existing, DosDateTime time,
                    std::int64_t size, bool mayOverwrite) {
  const auto overwrite = [&] {
    return mayOverwrite && OverwriteAllowed(cn.OverWrite, existing, time, size);
  };
  const auto alias = [&] { return AliasAllowed(cn.Alias, existing, time, size); };
  switch (cn.Same) {
  case 1: return overwrite() ? TSameOutcome::Overwrite : TSameOutcome::Keep;
  case 2: return alias() ? TSameOutcome::Alias : TSameOutcome::Keep;
  case 3:
    if (overwrite()) return TSameOutcome::Overwrite;
    return alias() ? TSameOutcome::Alias : TSameOutcome::Keep;
  case 4:
    if (alias()) return TSameOutcome::Alias;
    return overwrite() ? TSameOutcome::Overwrite : TSameOutcome::Keep;
  default:
    // 0, and a policy that is no choice at all: never replace a file the
    // user did not ask to replace.
    return TSameOutcome::Keep;
  }
}

// A link in the walk's folder: a link to a folder is copied as the link.
bool IsLink(const TEntryRef &entry) {
  const std::optional<FindEntry> found = InspectEntry(entry);
  return found && found->IsSymlink;
}

bool IsExistingFile(const std::string &path) {
  const auto attributes = GetAttributes(path);
  return attributes && !(*attributes & kAttrDirectory);
}

}  // namespace

std::string TCopyCn::AliasName(const std::string &destination, const std::string &name) const {
  const std::string folder = IncludeTrailingDelimiter(destination);
  const TNameParts parts = SplitName(name);
  for (unsigned long long n = 1;; ++n) {
    std::string candidate = parts.Base + "_" + std::to_string(n) + parts.Ext;
    // Any entry of that name, a folder too, makes it taken: a copy could not
    // go there.
    if (!PathExists(folder + candidate)) return candidate;
  }
}

bool TCopyCn::CopyTarget(const std::string &source, const std::string &destination,
                         DosDateTime time, std::uint32_t attributes, std::int64_t size) {
  return CopyFrom(nullptr, source, destination, time, attributes, size);
}

bool TCopyCn::CopyTarget(const TFolderHandle &held, const std::string &source,
                         const std::string &destination, DosDateTime time,
                         std::uint32_t attributes, std::int64_t size) {
  return CopyFrom(&held, source, destination, time, attributes, size);
}

bool TCopyCn::CopyFrom(const TFolderHandle *held, const std::string &source,
                       const std::string &destination, DosDateTime time,
                       std::uint32_t attributes, std::int64_t size) {
  const std::string folder = IncludeTrailingDelimiter(destination);
  ResultName = ExtractFileName(source);
  Failure = {};
  MadeFolders.clear();
  MovedWhole = false;
  const auto fail = [this](TFailReason reason) {
    Failure = {reason};
    return false;
  };
  const auto checked = [this](bool ok) {
    if (!ok) Failure = FailureOf(errno);
    return ok;
  };
  const std::string sourceName = ResultName;
  const TEntryRef sourceEntry = held ? TEntryRef(*held, sourceName) : TEntryRef(source);
  if (!IsPlainName(ResultName)) return fail(TFailReason::InvalidName);
  const std::string destFolder = ExcludeTrailingDelimiter(destination);
  // A link to a folder is copied as the link.
  const bool makesFolder = (attributes & kAttrDirectory) && !IsLink(sourceEntry);
  // The run hears of each act first; it may forbid it (its journal failed).
  const auto allowed = [&](TActKind kind, bool existed) {
    return !BeforeAct || BeforeAct(TAct{kind, source, folder + ResultName, makesFolder, existed});
  };
  // Each folder made on the way to the destination is an act of its own.
  const auto makingWay = [&](const std::string &way) {
    return !BeforeAct || BeforeAct(TAct{TActKind::MakeFolder, source, way, true, false, /*OnTheWay=*/true});
  };
  if (makesFolder) {
    if (!destFolder.empty()) ForceFolder(destFolder, &MadeFolders, makingWay);
    if (FolderExists(folder + ResultName)) return true;
    return checked(allowed(TActKind::MakeFolder, false) && ForceFolder(folder + ResultName));
  }

  const bool deletesSource = Delete == 0 || Delete == 2;
  // A read-only source cannot be deleted (as on Windows): it is copied,
  // durably as for a move, and stays.
  const bool moves = deletesSource && !(attributes & kAttrReadOnly);
  bool copyStays = false;
  // Each attempt is an act of its own: one that finds its name taken or
  // its folder missing makes nothing, and the run closes it as failed when
  // the next begins.
  const auto transfer = [&](bool overwrite) {
    const std::string target = folder + ResultName;
    if (!allowed(deletesSource ? TActKind::Move : TActKind::Copy, overwrite)) return false;
    if (!moves) {
      const bool ok = CopyFile(sourceEntry, target, /*failIfExists=*/!overwrite,
                               deletesSource ? TCopyPurpose::Move : TCopyPurpose::Copy);
      if (ok) RememberOutput(target);
      return ok;
    }
    const bool ok = MoveFileEx(sourceEntry, target, overwrite, &copyStays, &MovedWhole);
    if (ok || copyStays) RememberOutput(target);
    return ok;
  };
  // The destination folder is made when the copy finds it missing, so a
  // run into a folder that is there pays no look for it.
  const auto attempt = [&](bool overwrite) {
    if (transfer(overwrite)) return true;
    if (errno != ENOENT || copyStays || destFolder.empty()) return false;
    const int missing = errno;
    if (!ForceFolder(destFolder, &MadeFolders, makingWay)) return false;  // its reason is the record's
    if (MadeFolders.empty()) {
      errno = missing;  // the folder was there: the source is what is missing
      return false;
    }
    return transfer(overwrite);
  };
  // The record of the last attempt.  The source of a copy goes only after a
  // copy that worked, whether the policy is "always" (0) or "when the copy
  // succeeded" (2): a failed copy never loses the file.  A source that
  // stays makes the move a failure, whose copy stays too: the record must
  // not look like a move that happened.
  const auto finish = [&](bool ok) {
    if (ok) return moves || !deletesSource || DeleteFile(sourceEntry) || fail(TFailReason::SourceKept);
    if (copyStays)
      return fail(errno == kErrorSourceChanged ? TFailReason::SourceChanged : TFailReason::SourceKept);
    Failure = errno == kErrorReadOnly ? TFailure{TFailReason::ReadOnlyExisting} : FailureOf(errno);
    return false;
  };

  // The name is tried as free first: nearly every name is, and a free one
  // then needs no look before.
  const bool ok = attempt(/*overwrite=*/false);
  if (ok || copyStays || errno != EEXIST) return finish(ok);
  // Taken.  A folder of the name counts as absent (a copy cannot replace
  // it, and the record says the name is taken); a file is the policy's.
  if (!IsExistingFile(folder + ResultName)) {
    errno = EEXIST;
    return finish(false);
  }
  // A file copied onto itself would be lost by the source deletion.
  if (folder + ResultName == source || OneNameThere(folder + ResultName, source))
    return fail(TFailReason::OntoItself);
  const bool own = IsOwnOutput(folder + ResultName);
  TExistingFile existing(folder, ResultName);
  switch (Decide(*this, existing, time, size, /*mayOverwrite=*/!own)) {
  case TSameOutcome::Keep: return fail(own ? TFailReason::OwnOutput : TFailReason::KeepsExisting);
  case TSameOutcome::Alias:
    ResultName = AliasName(folder, ResultName);
    return finish(attempt(/*overwrite=*/false));
  case TSameOutcome::Overwrite: return finish(attempt(/*overwrite=*/true));
  }
  return false;
}

bool TOwnOutput::Holds(const TFileId &id) {
  while (Looked_ < Paths_.size()) {
    const std::size_t end = Paths_.find('\0', Looked_);
    if (const std::optional<TFileId> made = GetEntryId(Paths_.substr(Looked_, end - Looked_)))
      Ids_.insert(*made);
    Looked_ = end + 1;
  }
  return Ids_.count(id) != 0;
}

bool TCopyCn::IsOwnOutput(const std::string &path) const {
  if (Output == nullptr) return false;
  const std::optional<TFileId> id = GetEntryId(path);
  return id && Output->Holds(*id);
}

void TCopyCn::RememberOutput(const std::string &path) {
  if (Output != nullptr) Output->Add(path);
}

TPrediction PredictCopy(TCopyCn &copy, TPlanView &view, const std::string &source,
                        const std::string &destination, DosDateTime time,
                        std::uint32_t attributes, std::int64_t size, bool isSymlink) {
  const std::string folder = IncludeTrailingDelimiter(destination);
  copy.ResultName = ExtractFileName(source);
  if (!IsPlainName(copy.ResultName)) return TPrediction::Fail(TFailReason::InvalidName);
  const std::optional<TFileSystemTraits> traits = view.FolderTraits(folder);
  if (traits && NameFits(*traits, copy.ResultName) == TNameFit::NotHeld)
    return TPrediction::Fail(TFailReason::NameNotHeld);
  const TPlannedEntry existing = view.Lookup(folder, copy.ResultName);
  const auto taken = [&] {
    return TPrediction::Fail(existing.ByPlan && !existing.OtherCase ? TFailReason::TakenByPlan
                                                                      : TFailReason::NameExists);
  };
  // The data must fit in what the plan has left of the destination's space.
  const auto written = [&]() -> TPrediction {
    if (!view.ReserveSpace(folder, size)) return TPrediction::Fail(TFailReason::NoSpace);
    return {};
  };
  const bool existingFolder = existing.Exists && (existing.Attributes & kAttrDirectory);
  // A link to a folder is copied as a link, like a file.
  if ((attributes & kAttrDirectory) && !isSymlink)
    return existing.Exists && !existingFolder ? taken() : TPrediction{};
  // A folder of the name cannot be replaced by a file.
  if (existingFolder) return taken();
  if (!existing.Exists) return written();

  const std::string target = folder + copy.ResultName;
  if (target == source || (traits && traits->CaseInsensitive &&
                           NameKey(*traits, target) == NameKey(*traits, source)))
    return TPrediction::Fail(TFailReason::OntoItself);
  TExistingFile file(folder, copy.ResultName, existing.Time,
                     existing.ByPlan ? existing.Size : std::nullopt);
  // A file an earlier target wrote is the run's own output.
  const bool own = existing.ByPlan;
  switch (Decide(copy, file, time, size, /*mayOverwrite=*/!own)) {
  case TSameOutcome::Keep: return TPrediction::Fail(own ? TFailReason::OwnOutput : TFailReason::KeepsExisting);
  case TSameOutcome::Overwrite:
    if (existing.Attributes & kAttrReadOnly) return TPrediction::Fail(TFailReason::ReadOnlyExisting);
    return written();
  case TSameOutcome::Alias: break;
  }
  // The first alias free by then, earlier copies of the plan included.
  const TNameParts parts = SplitName(copy.ResultName);
  for (unsigned long long n = 1;; ++n) {
    std::string candidate = parts.Base + "_" + std::to_string(n) + parts.Ext;
    if (!view.Lookup(folder, candidate).Exists) {
      copy.ResultName = std::move(candidate);
      return written();
    }
  }
}
