#pragma once
// The complete option set of one job: which files are targets and what the
// four operations do with them.  Plain data; the window shows every field in
// one control, the settings file keeps one key per field under the section
// that gives its group its name.
//
// Texts are CP932 byte strings.  Choice fields index the item lists below;
// -1 means no item is selected (a radio group can be left so by a settings
// file).  The defaults are what a brand-new window shows.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// No item selected in a choice list.
inline constexpr int kNoChoice = -1;

// Fixed forms of an empty date ("yyyy/mm/dd") and an empty time ("hh:nn:ss").
inline constexpr std::string_view kEmptyDate = "    /  /  ";
inline constexpr std::string_view kEmptyTime = "  :  :  ";
inline constexpr std::size_t kDateTextLength = 10;
inline constexpr std::size_t kTimeTextLength = 8;

// Rename pipeline: six positions, five replace conditions.
inline constexpr std::size_t kStepCount = 6;
inline constexpr std::size_t kConditionCount = 5;

// Step captions, indexed by step number (0 string replacement ... 5 folder
// name added), and the item texts of the choice lists, index 0 first.
//
// They are defined in JobSettings.cpp, never inline here: the window's
// sources are compiled with UTF-8 literals (Qt's headers cannot be compiled
// for CP932), and an inline definition seen by both kinds of source would
// let the linker keep either spelling.  One out-of-line definition keeps
// them CP932 everywhere.
extern const std::array<std::string_view, kStepCount> kStepCaptions;
extern const std::array<std::string_view, 3> kFileOnlyItems;
extern const std::array<std::string_view, 3> kCopyDeleteItems;
extern const std::array<std::string_view, 5> kCopySameItems;
extern const std::array<std::string_view, 6> kCopyOverWriteItems;
extern const std::array<std::string_view, 5> kCopyAliasItems;
extern const std::array<std::string_view, 10> kSeqSortItems;
extern const std::array<std::string_view, 3> kUnityItems;
// Rename.DateSource: the time the date step and the date orders use.
extern const std::array<std::string_view, 2> kDateSourceItems;
// SeqAdd, DateAdd and FolderAdd.
extern const std::array<std::string_view, 2> kAddItems;
// NameCase and ExtCase.
extern const std::array<std::string_view, 3> kCaseItems;
// Offered in the date-format box; the field itself is free text.
extern const std::array<std::string_view, 5> kDateFormatItems;
// The width and kana conversions of the case step (WidthAlnum, WidthKana,
// KanaKind), 0 leaving the characters as they are.
extern const std::array<std::string_view, 3> kWidthAlnumItems;
extern const std::array<std::string_view, 3> kWidthKanaItems;
extern const std::array<std::string_view, 3> kKanaKindItems;

// Index a drop-down choice list gets when it is found without a selection.
inline constexpr int kDefaultSeqSort = 0;
inline constexpr int kDefaultCopyDelete = 1;
inline constexpr int kDefaultCopySame = 0;
inline constexpr int kDefaultCopyOverWrite = 1;
inline constexpr int kDefaultCopyAlias = 1;

// Ranges of the spin fields.  SizeFrom/SizeTo are in KB; -1 switches that
// bound off.
inline constexpr int kSizeMin = -1;
inline constexpr int kSizeMax = 2097151;
inline constexpr int kSeqIndexMin = 0;
inline constexpr int kSeqIndexMax = 99999999;
inline constexpr int kSeqDegMin = 0;
inline constexpr int kSeqDegMax = 8;
inline constexpr int kSeqStepMin = 1;
inline constexpr int kSeqStepMax = 20;

struct JobSettings {
  // Target selection.
  struct FindFileGroup {
    std::string Folder;
    bool SubFolder = false;
    std::string Filter = "*.*";
    int FileOnly = 0;  // kFileOnlyItems
    int SizeFrom = -1;
    int SizeTo = -1;
    std::string DateFrom{kEmptyDate};
    std::string TimeFrom = "00:00:00";
    std::string DateTo{kEmptyDate};
    std::string TimeTo = "23:59:59";
    bool ExcSysFile = true;
    bool ExcHidden = true;
    bool ExcReadOnly = true;
    std::string Exception;
    bool operator==(const FindFileGroup &) const = default;
  };

  // Date and attribute change (the If.../Attr switches also follow every
  // successful rename or copy).
  struct ChangeGroup {
    bool IfUpDate = false;
    bool IfNwDate = false;
    bool IfAcDate = false;
    std::string UpDate{kEmptyDate};
    std::string NwDate{kEmptyDate};
    std::string AcDate{kEmptyDate};
    std::string UpTime{kEmptyTime};
    std::string NwTime{kEmptyTime};
    std::string AcTime{kEmptyTime};
    bool UpCurrent = false;
    bool NwCurrent = false;
    bool AcCurrent = false;
    bool Attr = false;
    bool AttrSysFile = false;
    bool AttrHidden = false;
    bool AttrReadOnly = false;
    bool AttrArchive = false;
    // With IfUpDate: each target's modification time becomes its own
    // shooting time instead of the typed one.
    bool UpDateShot = false;
    bool operator==(const ChangeGroup &) const = default;
  };

  struct CopyGroup {
    std::string Folder;
    int Delete = kDefaultCopyDelete;        // kCopyDeleteItems
    int Same = kDefaultCopySame;            // kCopySameItems
    int OverWrite = kDefaultCopyOverWrite;  // kCopyOverWriteItems
    int Alias = kDefaultCopyAlias;          // kCopyAliasItems
    // The files of a subfolder go into the same subfolder of the copy
    // folder (made as needed) instead of all into the copy folder.
    bool KeepTree = false;
    bool operator==(const CopyGroup &) const = default;
  };

  struct RenameGroup {
    bool Copy = true;
    // Caption of the step at each position (position 0 applied first) and
    // whether that position is applied.
    std::array<std::string, kStepCount> OrderItems = {
        std::string(kStepCaptions[0]), std::string(kStepCaptions[1]),
        std::string(kStepCaptions[2]), std::string(kStepCaptions[3]),
        std::string(kStepCaptions[4]), std::string(kStepCaptions[5])};
    std::array<bool, kStepCount> OrderChecked{};
    bool ReplExt = false;
    std::array<std::string, kConditionCount> FromName{};
    std::array<std::string, kConditionCount> ToName{};
    std::array<bool, kConditionCount> NoCase{};
    bool IfUnity = false;
    int Unity = 0;  // kUnityItems
    std::string BaseName;
    // The name made of the file's information (Unity 2): "{track:2} {title}".
    std::string Template;
    int SeqIndex = 1;
    int SeqDeg = 4;
    int SeqStep = 1;
    int SeqSort = kDefaultSeqSort;  // kSeqSortItems
    bool SeqName = true;
    bool SeqExt = false;
    std::string SeqBefore;
    std::string SeqAfter;
    int SeqAdd = 1;    // kAddItems
    int NameCase = 0;  // kCaseItems
    int ExtCase = 0;   // kCaseItems
    bool NameInitial = false;
    bool ExtInitial = false;
    // Absent from the files of the Windows program: 0, characters unchanged.
    int WidthAlnum = 0;  // kWidthAlnumItems
    int WidthKana = 0;   // kWidthKanaItems
    int KanaKind = 0;    // kKanaKindItems
    bool ComposeMarks = false;
    // A first start offers the first item; an empty format read from a file
    // keeps its meaning.
    std::string DateFormat = "yymmdd";
    std::string DateBefore;
    std::string DateAfter;
    int DateAdd = 1;  // kAddItems
    // 0 the modification time, 1 the shooting time (the modification time
    // where a file has none); kDateSourceItems.
    int DateSource = 0;
    std::string Ext;
    std::string FolderBefore;
    std::string FolderAfter;
    int FolderAdd = 1;  // kAddItems
    // A new name held by another target that the same run renames away
    // waits for it (swaps go through a temporary name) instead of failing.
    // Off by default, so stored jobs keep the one-by-one behaviour.
    bool ResolveChains = false;
    bool operator==(const RenameGroup &) const = default;
  };

  struct DeleteGroup {
    bool Recycled = true;
    bool operator==(const DeleteGroup &) const = default;
  };

  FindFileGroup FindFile;
  ChangeGroup Change;
  CopyGroup Copy;
  RenameGroup Rename;
  DeleteGroup Delete;

  bool operator==(const JobSettings &) const = default;
};

// Step number of an order-list caption (exact, case-sensitive), or -1 when
// the text is none of the six captions.
int StepNumberOfCaption(std::string_view caption);

// Moves the step of `caption` to `position` of the order list, and the step
// that was there to the position the moved step left, so that the list
// stays a list of the six steps.  The check marks stay with their positions
// (OrderChecked names a position, as OrderItems does).  A list that does not
// hold the step at all (a settings file named another step twice) gets it
// at `position` in place of what was there.
void MoveStepTo(JobSettings::RenameGroup &rename, std::size_t position, std::string_view caption);

// What keeps an order list from holding each of the six steps once, as a
// settings file written by hand can leave it.  Such a list is read as it
// stands: a position whose caption is no step gives the pipeline nothing,
// and of a step held twice the later position's check mark counts.
struct TOrderListFaults {
  // Positions that hold the same step, one list per step held twice or more.
  std::vector<std::vector<std::size_t>> Repeated;
  std::vector<std::size_t> Unknown;  // positions whose caption is none of the six
  std::vector<int> Missing;          // step numbers that no position holds
  bool Any() const { return !Repeated.empty() || !Unknown.empty() || !Missing.empty(); }
};
TOrderListFaults CheckOrderList(const JobSettings::RenameGroup &rename);

// Puts every checked position of the order list before every unchecked one,
// each group keeping its relative order (the list is moved, never re-sorted
// otherwise).  Returns the next index to look at, as the window's refresh
// loop uses it: index := 0; while index < 6: index := KeepCheckedFirst(...).
std::size_t KeepCheckedFirst(JobSettings::RenameGroup &rename, std::size_t index);

// What the window's full refresh does to a job: the order list normalised
// (checked positions first), and every drop-down choice list without a valid
// selection given its default index.
void NormaliseJob(JobSettings &job);
