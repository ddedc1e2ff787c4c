#pragma once
// What an operation would do to one target, worked out without touching
// the disk: the plan of a run asks these functions where the run calls the
// operations.  Each mirrors the decisions of its operation (the same name
// pipeline, the same same-name policy, the same refusals of the platform
// layer) and asks a TPlanView what the entries involved look like at that
// point of the run, the plan's earlier targets included.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "media/MediaFacts.h"
#include "platform/DateTime.h"
#include "ops/FailReason.h"
#include "platform/FileSystem.h"
#include "platform/FileSystems.h"

class TRenameCn;
class TCopyCn;
class TDeleteCn;
class TChangeCn;

// An entry as the run would find it when it reaches the target.
struct TPlannedEntry {
  bool Exists = false;
  bool ByPlan = false;      // made or moved there by an earlier target of the plan
  bool OtherCase = false;   // found under a name that differs in letter case alone
  std::uint32_t Attributes = 0;
  bool IsSymlink = false;
  std::optional<DosDateTime> Time;  // last-write time (nullopt: outside 1980-2107)
  std::optional<std::int64_t> Size;  // known for files the plan made; else read when needed
};

class TPlanView {
public:
  virtual ~TPlanView() = default;
  // The entry `name` in the folder `dir`, which ends with its delimiter
  // (or is empty for a bare name); CP932.  The two come apart so that a
  // look at each target's new name needs no path made for it.
  virtual TPlannedEntry Lookup(std::string_view dir, std::string_view name) = 0;
  // The same for a whole path without a trailing delimiter.
  TPlannedEntry LookupPath(std::string_view path);
  // True when an earlier target of the plan moved or removed what the walk
  // found at `path` (the plan's own record; the disk is not asked).
  virtual bool Vacated(const std::string &path) = 0;
  // The file system `folder` (with or without its delimiter) lies on, or
  // nullopt when it cannot be known (a folder not made yet).
  virtual std::optional<TFileSystemTraits> FolderTraits(std::string_view folder) = 0;
  // Takes room for a file of `size` bytes in `folder` from what the plan has
  // left of its file system's free space; false, taking nothing, when it
  // will not fit.
  virtual bool ReserveSpace(const std::string &folder, std::int64_t size) = 0;
};

struct TPrediction {
  bool Ok = true;
  TFailure Failure;
  static TPrediction Fail(TFailReason reason) { return TPrediction{false, TFailure{reason}}; }
  static TPrediction Fail(const TFailure &failure) { return TPrediction{false, failure}; }
};

// The name part of a rename: ResultName as RenameTarget builds it (the
// target's own time for the date step, the counter as it stands), and the
// refusals that need no disk: a time without date form, a replacement
// that fails, an unchanged name, a name that is not plain.
TPrediction PredictRenameName(TRenameCn &rename, const std::string &name, DosDateTime time,
                              const TMediaFacts *media = nullptr);

// The disk part of renaming folder + name to folder + newName in place.
TPrediction PredictMove(TPlanView &view, const std::string &folder, const std::string &name,
                        const std::string &newName);

// The rename of one target once its new name is known (built by the
// pipeline, or edited by hand), as RenameTargetTo does it: the refusals of
// an unchanged or not plain name, then the rename in place or the copy
// into `destination`.
TPrediction PredictRenameTo(TPlanView &view, bool makeCopy, const std::string &folder,
                            const std::string &name, const std::string &destination,
                            std::uint32_t attributes, std::int64_t size,
                            const std::string &newName, bool isSymlink = false);

// The whole rename of one target, with ResultName left as RenameTarget
// leaves it.
TPrediction PredictRename(TRenameCn &rename, TPlanView &view, const std::string &folder,
                          const std::string &name, const std::string &destination,
                          DosDateTime time, std::uint32_t attributes, std::int64_t size,
                          bool isSymlink = false, const TMediaFacts *media = nullptr);

// The copy of one target, with ResultName left as CopyTarget leaves it (the
// alias the copy would get).  A file an earlier target of the plan wrote
// is never overwritten (OwnOutput, or the alias the policy gives).  An
// existing file whose size a condition needs but which cannot be read
// raises EInOutError, as the copy does.
TPrediction PredictCopy(TCopyCn &copy, TPlanView &view, const std::string &source,
                        const std::string &destination, DosDateTime time,
                        std::uint32_t attributes, std::int64_t size, bool isSymlink = false);

// The delete of one target, with the attributes the walk found.
TPrediction PredictDelete(const TDeleteCn &del, TPlanView &view, const std::string &path,
                          std::uint32_t attributes, bool isSymlink);

// The entry a date and attribute change would act on.
struct TChangeSubject {
  bool Exists = false;
  bool IsFolder = false;
  bool IsSymlink = false;
  bool ReadOnly = false;
  bool DotName = false;              // its name starts with '.'
  std::uint32_t Attributes = 0;      // as it reports them now
  std::optional<FileTimes> Times;    // as the change would read them
  const TMediaFacts *Media = nullptr; // what it says of itself (UpDateShot)
};

// The change of one target, with the Old and Done fields of `change` left
// as ChangeTarget would leave them.
TPrediction PredictChange(TChangeCn &change, const TChangeSubject &subject);

// True for a name the file system can hold: convertible to its bytes and
// within its length limit.
bool IsStorableName(const std::string &name);
