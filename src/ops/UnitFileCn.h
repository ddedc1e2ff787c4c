#pragma once
// The four file operations of a run: rename (through the six-step name
// pipeline), copy with a same-name policy, delete, and the date and
// attribute change.  Each is a plain object with public option fields that
// the window or the run driver fills in, and one method per target that
// returns success and leaves in public fields what the log needs.  They
// show no messages and never retry: a failure is a false result.
//
// Names and paths are CP932 byte strings.  Folder paths handed in end with
// the platform's path delimiter (one is added where it is missing).

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "media/MediaFacts.h"
#include "ops/Acts.h"
#include "ops/FailReason.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"

class TAWKStr;


// Step numbers of the rename pipeline, as StepEnabled is indexed and
// StepOrder holds them.
enum TRenameStep : int {
  kStepReplace = 0,
  kStepSequence = 1,
  kStepCase = 2,
  kStepDate = 3,
  kStepExtension = 4,
  kStepFolder = 5,
};
inline constexpr int kRenameStepCount = 6;
inline constexpr int kReplaceConditionCount = 5;
// The longest text a replace condition may make of a name.  A name
// component holds at most 255 bytes on disk, and a CP932 character takes
// at least half as many bytes on disk as here, so a longer name could
// never be stored; the bound leaves room for a condition that lengthens a
// name which a later one shortens again, and it keeps a template that
// repeats '&' from building megabytes in the preview, which runs on every
// keystroke.
inline constexpr std::size_t kMaxReplaceOutput = 4096;

class TRenameCn {
public:
  // owner is handed to the matcher; the object owns its TAWKStr.
  explicit TRenameCn(void *owner = nullptr);
  ~TRenameCn();
  TRenameCn(const TRenameCn &) = delete;
  TRenameCn &operator=(const TRenameCn &) = delete;

  // New name built for the last target (bare name), set whether or not the
  // rename or copy succeeded.
  std::string ResultName;
  // Why the last target failed (None after a success).
  TFailure Failure;
  // The folders the last renamed copy created on the way to its
  // destination folder, as TCopyCn::MadeFolders.
  std::vector<std::string> MadeFolders;

  std::array<bool, kRenameStepCount> StepEnabled{};  // by step number
  std::array<int, kRenameStepCount> StepOrder{};     // step number at each position

  TBeforeAct BeforeAct;

  bool MakeCopy = false;  // copy under the new name instead of renaming
  bool ReplExt = false;   // the replacement step leaves the extension alone

  std::array<std::string, kReplaceConditionCount> FromName{};
  std::array<std::string, kReplaceConditionCount> ToName{};
  std::array<bool, kReplaceConditionCount> NoCase{};

  // Sequence numbering.
  int SeqCounter = 0;
  bool IfUnity = false;
  int Unity = 0;  // 0 the current folder's name, 1 BaseName, 2 Template
  std::string FolderNameText;
  std::string BaseName;
  // The name made of the file's information (FileInfoTemplate.h).
  std::string Template;
  int SeqStart = 0;
  int SeqStep = 0;
  int SeqDeg = 0;
  bool SeqName = false;
  std::string SeqBefore;
  std::string SeqAfter;
  int SeqAdd = 0;    // 0 in front of the base name, otherwise behind it
  int SortKind = 0;  // sort order before numbering (used by the run driver)
  bool SeqExt = false;

  // Letter case: 0 lower, 1 upper, 2 (or anything else) unchanged.
  int NameCase = 0;
  bool NameInitial = false;
  int ExtCase = 0;
  bool ExtInitial = false;
  // Width and kana conversions of the case step, after its letter case
  // (TKanaConversions); 0 leaves a kind of character as it is.
  int WidthAlnum = 0;  // also makes a full-width extension half-width when 1
  int WidthKana = 0;
  int KanaKind = 0;
  bool ComposeMarks = false;

  std::string Ext;  // new extension, dot included

  // Date added.
  std::string DateFormat;
  std::string DateBefore;
  std::string DateAfter;
  int DateAdd = 0;
  // 0: the date step adds the modification time; 1: the shooting time,
  // the modification time for a file without one.
  int DateSource = 0;
  TDateTime FileDateTime = 0;

  // Folder name added.
  std::string FolderBefore;
  std::string FolderAfter;
  int FolderAdd = 0;

  // Step order and switches; positions and step numbers 0..5.  Out-of-range
  // arguments are ignored (setters) or read as false.
  void SetStepOrder(int position, int step);
  bool IsStepEnabled(int step) const;
  void SetStepEnabled(int step, bool flag);

  // Replace conditions 0..4.  Out-of-range indexes read as empty/false and
  // are ignored when written.
  std::string GetFromName(int index) const;
  void SetFromName(int index, const std::string &text);
  std::string GetToName(int index) const;
  void SetToName(int index, const std::string &text);
  bool GetNoCase(int index) const;
  void SetNoCase(int index, bool flag);

  TAWKStr &Matcher() { return *FMatcher; }

  // The pipeline: the enabled steps in StepOrder, stopping at the first
  // position that holds no valid step number.  Touches no file.  A malformed
  // replace pattern or template raises ERegExpParser, and so does a
  // condition whose result would pass kMaxReplaceOutput bytes.
  std::string BuildName(const std::string &name);

  // Compiles every replace condition a run would use (the replace step
  // applies and the pattern is not empty), pattern and template, before
  // the run touches anything.  Returns the message of the first malformed
  // one, prefixed with its tab's caption ("置換条件2: ..."), or nullopt
  // when all compile.
  std::optional<std::string> CheckReplaceConditions();

  // True when the numbering names targets by their information (Unity 2).
  bool UsesTemplate() const;
  // The message refusing a run whose template is malformed (or empty), or
  // nullopt when the run would not use it or it is well formed.
  std::optional<std::string> CheckTemplate() const;

  // The field of the template the last target lacked ("{title}"), when
  // BuildTargetName gave FieldMissing.
  std::string MissingField;

  // The six steps, each over a whole name (base and extension together).
  std::string ReplaceStep(const std::string &name);
  std::string SequenceStep(const std::string &name) const;
  std::string CaseStep(const std::string &name) const;
  std::string DateStep(const std::string &name) const;
  std::string ExtensionStep(const std::string &name) const;
  std::string FolderStep(const std::string &name) const;

  // True when BuildName applies the step (enabled, and within the order
  // list's valid positions).
  bool AppliesStep(int step) const;

  // Sets ResultName to what the pipeline makes of a target's name, with
  // the target's own time for the date step (FileDateTime: its shooting
  // time from `media` when that is the date source and the file has one)
  // and its information for a name made of it.  When the date step cannot
  // convert the time, the engine fails or the file lacks a field of the
  // template, ResultName is the old name.
  enum class TNameBuilt { Built, TimeUnconvertible, EngineError, FieldMissing };
  TNameBuilt BuildTargetName(const std::string &name, DosDateTime time,
                             const TMediaFacts *media = nullptr);

  // Renames folder + name to folder + the built name, or (MakeCopy) copies
  // it to destination + the built name; never replaces an existing entry.
  // time is the target's last-write time, converted only when the date step
  // applies.  False when the name does not change, when the new name is
  // not a plain name (empty, ".", "..", or holding the delimiter), when the
  // date step cannot convert the time (ResultName is then the old name), or
  // when the operation on disk fails.  An error of the regular-expression
  // engine (a condition changed during the run into a malformed one, a
  // result too long) fails the target the same way: once a run has
  // started, no engine error ends it.
  bool RenameTarget(const std::string &folder, const std::string &name,
                    const std::string &destination, DosDateTime time,
                    std::uint32_t attributes, const TMediaFacts *media = nullptr);
  // The same for an entry of `held`, the folder `folder` the walk holds
  // open: the rename names both entries relative to it, a copy reads the
  // entry through it.
  bool RenameTarget(const TFolderHandle &held, const std::string &folder, const std::string &name,
                    const std::string &destination, DosDateTime time,
                    std::uint32_t attributes, const TMediaFacts *media = nullptr);
  // The rename or copy of RenameTarget under a name made elsewhere (a name
  // edited by hand) instead of the pipeline's: the same refusals of an
  // unchanged or not plain name, the same act on disk.  ResultName is set
  // to `newName`.  `held`, when given, is `folder` held open: the entry is
  // then reached through it, as RenameTarget reaches it.
  bool RenameTargetTo(const std::string &folder, const std::string &name,
                      const std::string &destination, std::uint32_t attributes,
                      const std::string &newName, const TFolderHandle *held = nullptr);

private:
  bool RenameIn(const TFolderHandle *held, const std::string &folder, const std::string &name,
                const std::string &destination, DosDateTime time, std::uint32_t attributes,
                const TMediaFacts *media);
  // Renames or copies the target to ResultName.
  bool PutUnderResultName(const TFolderHandle *held, const std::string &folder,
                          const std::string &name, const std::string &destination,
                          std::uint32_t attributes);
  // The base name the template makes; in the preview (no target) each
  // field shows as its name.
  std::string TemplateBase() const;

  std::unique_ptr<TAWKStr> FMatcher;
  // While BuildTargetName builds a target's name: the target's information.
  bool ForTarget_ = false;
  const TMediaFacts *Media_ = nullptr;
  mutable std::string MissingField_;
};

// The files a run has written.  They are kept by the paths they were
// written to and looked at only when a later target meets a name that is
// taken, so a run whose names are all free pays nothing for them; then
// they are compared by identity, so that whatever path leads to one
// (letter case on a card, two folders that are one) it is known.
class TOwnOutput {
public:
  void Add(std::string_view path) {
    Paths_.append(path);
    Paths_.push_back('\0');
  }
  bool Holds(const TFileId &id);

private:
  struct THash {
    std::size_t operator()(const TFileId &id) const {
      return std::hash<std::uint64_t>{}(id.Inode * 0x9E3779B97F4A7C15ull ^ id.Device);
    }
  };
  // The paths one after another, each ended by a NUL: a run adds one per
  // target, and one text grows far more cheaply than a list of strings.
  std::string Paths_;
  std::size_t Looked_ = 0;  // the paths before this offset are in Ids_
  std::unordered_set<TFileId, THash> Ids_;
};

// Same-name policies (the item indexes of the copy page's choice lists).
class TCopyCn {
public:
  // Name the last target got (or would have got) in the destination.
  std::string ResultName;
  // Why the last target failed (None after a success).
  TFailure Failure;
  // The folders the last target's copy created on the way to its
  // destination folder (outermost first, no trailing delimiter); a folder
  // target itself is not among them.  The run logs each.
  std::vector<std::string> MadeFolders;
  // The files the run under way has written (null outside a run).  A file
  // among them is never overwritten, whatever the policy: a later target
  // of the same name takes the alias the policy gives, or fails with
  // OwnOutput and keeps its source.
  TOwnOutput *Output = nullptr;
  // The last target was moved by a rename on its own file system: the entry
  // at its destination is the source itself, as the walk found it.
  bool MovedWhole = false;

  TBeforeAct BeforeAct;

  int Same = 0;       // 0 keep, 1 overwrite, 2 alias, 3 overwrite->alias, 4 alias->overwrite
  int OverWrite = 1;  // 0 always, 1 never, 2 newer, 3 older, 4 larger, 5 smaller (or equal)
  int Delete = 1;     // source deletion: 0 after every copy, 1 never, 2 when the copy
                      // succeeded (a failed copy keeps its source under 0 as well)
  int Alias = 1;      // 0 always, 1 never, 2 time differs, 3 size differs, 4 either

  // Copies the file source into destination (a folder path), or creates the
  // folder there for a folder target; a symbolic link, also one to a
  // folder, is copied as the link.  A copy whose source is to be deleted is
  // a move: a rename on one file system, and across file systems a copy
  // that is on the disk before the source goes, which goes only when it is
  // unchanged since the copy began (a read-only source is copied and
  // stays, as it cannot be deleted).  time, attributes and size are the
  // source's as the walk found them.  An existing destination file whose
  // size a condition needs but which cannot be opened raises EInOutError.
  bool CopyTarget(const std::string &source, const std::string &destination,
                  DosDateTime time, std::uint32_t attributes, std::int64_t size);
  // The same for a source in `held`, the source's folder the walk holds
  // open: the source is read and deleted through it.
  bool CopyTarget(const TFolderHandle &held, const std::string &source,
                  const std::string &destination, DosDateTime time, std::uint32_t attributes,
                  std::int64_t size);

  // First name base_1.ext, base_2.ext, ... that no entry of destination
  // (file or folder) holds yet.
  std::string AliasName(const std::string &destination, const std::string &name) const;

private:
  bool IsOwnOutput(const std::string &path) const;
  void RememberOutput(const std::string &path);
  bool CopyFrom(const TFolderHandle *held, const std::string &source,
                const std::string &destination, DosDateTime time, std::uint32_t attributes,
                std::int64_t size);
};

class TDeleteCn {
public:
  bool Recycled = true;  // to the desktop trash instead of deleting for good

  // Why the last target failed (None after a success), and where the trash
  // put it.
  TFailure Failure;
  TTrashedEntry Trashed;

  // True when the target is gone: deleted (files only) or moved to the trash.
  bool DeleteTarget(const TEntryRef &target);
};

class TChangeCn {
public:
  bool IfUpDate = false;  // last-write time
  bool IfNwDate = false;  // creation time
  bool IfAcDate = false;  // last-access time
  bool Attr = false;

  // Values to set, packed local times and attribute bits.
  std::int32_t UpDateValue = 0;
  std::int32_t NwDateValue = 0;
  std::int32_t AcDateValue = 0;

  // What the last ChangeTarget wrote (0: not written) and read (0: not read).
  std::int32_t UpDateDone = 0;
  std::int32_t NwDateDone = 0;
  std::int32_t AcDateDone = 0;
  std::int32_t UpDateOld = 0;
  std::int32_t NwDateOld = 0;
  std::int32_t AcDateOld = 0;

  std::int32_t AttrValue = 0;
  std::int32_t AttrDone = 0;

  // Why the last ChangeTarget failed (None after a success).
  TFailure Failure;

  // With IfUpDate: each target's modification time becomes its own
  // shooting time (from the media handed to ChangeTarget).
  bool UpDateShot = false;
  // The last target had no shooting time to set (nothing was changed).
  bool NoShotTime = false;

  // Applies the switched-on changes to the target, all or nothing: what can
  // be known to fail is refused before anything is changed, and a part that
  // fails after an earlier one succeeded has the earlier one put back.  True
  // when every one succeeded; on a failure nothing was changed.  `media` is
  // what the target says of itself, for UpDateShot.
  bool ChangeTarget(const TEntryRef &target, const TMediaFacts *media = nullptr);
  // UpDateShot: UpDateValue := the target's shooting time; false (and
  // NoShotTime) when it has none that a file time can hold.
  bool TakeShotTime(const TMediaFacts *media);
  // Reads the three times into the Old fields and writes the requested ones
  // (the others written back as they were, at two-second resolution).
  bool ApplyTimes(const TEntryRef &target);
};
