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
// name added).  The order list shows each step by its caption.
inline constexpr std::array<std::string_view, kStepCount> kStepCaptions = {
    "文字列置換", "連番", "大/小文字", "更新日付付加", "拡張子", "フォルダ名付加"};

// Item texts of the choice lists, index 0 first.
inline constexpr std::array<std::string_view, 3> kFileOnlyItems = {
    "ファイルのみ(&1)", "フォルダのみ(&2)", "ﾌｧｲﾙとﾌｫﾙﾀﾞ(&3)"};
inline constexpr std::array<std::string_view, 3> kCopyDeleteItems = {
    "全てする", "全てしない", "コピー成功時のみ"};
inline constexpr std::array<std::string_view, 5> kCopySameItems = {
    "既存を残す", "上書きコピーする", "別名でコピーする", "上書き条件→別名条件",
    "別名条件→上書き条件"};
inline constexpr std::array<std::string_view, 6> kCopyOverWriteItems = {
    "全てする",
    "全てしない",
    "更新日時が既存ファイルより新しければする",
    "更新日時が既存ファイルより旧ければする",
    "サイズが既存ファイルより大きければする",
    "サイズが既存ファイルより小さければする"};
inline constexpr std::array<std::string_view, 5> kCopyAliasItems = {
    "全てする", "全てしない", "更新日付が既存ファイルと違えばする",
    "サイズが既存ファイルと違えばする", "更新日付かサイズが既存ファイルと違えばする"};
inline constexpr std::array<std::string_view, 6> kSeqSortItems = {
    "名前順【昇】", "ｻｲｽﾞ順【昇】", "日付順【昇】",
    "名前順【降】", "ｻｲｽﾞ順【降】", "日付順【降】"};
inline constexpr std::array<std::string_view, 2> kUnityItems = {"カレントフォルダ",
                                                                "固定文字列"};
// SeqAdd, DateAdd and FolderAdd.
inline constexpr std::array<std::string_view, 2> kAddItems = {"先付", "後付"};
// NameCase and ExtCase.
inline constexpr std::array<std::string_view, 3> kCaseItems = {"すべて小文字", "すべて大文字",
                                                               "変更なし"};
// Offered in the date-format box; the field itself is free text.
inline constexpr std::array<std::string_view, 4> kDateFormatItems = {
    "yymmdd", "yymmddhhnnss", "yy-mm-dd", "yy-mm-dd-hh-nn-ss"};

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
    bool operator==(const ChangeGroup &) const = default;
  };

  struct CopyGroup {
    std::string Folder;
    int Delete = kDefaultCopyDelete;        // kCopyDeleteItems
    int Same = kDefaultCopySame;            // kCopySameItems
    int OverWrite = kDefaultCopyOverWrite;  // kCopyOverWriteItems
    int Alias = kDefaultCopyAlias;          // kCopyAliasItems
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
    std::string DateFormat;
    std::string DateBefore;
    std::string DateAfter;
    int DateAdd = 1;  // kAddItems
    std::string Ext;
    std::string FolderBefore;
    std::string FolderAfter;
    int FolderAdd = 1;  // kAddItems
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

// Puts every checked position of the order list before every unchecked one,
// each group keeping its relative order (the list is moved, never re-sorted
// otherwise).  Returns the next index to look at, as the window's refresh
// loop uses it: index := 0; while index < 6: index := KeepCheckedFirst(...).
std::size_t KeepCheckedFirst(JobSettings::RenameGroup &rename, std::size_t index);

// What the window's full refresh does to a job: the order list normalised
// (checked positions first), and every drop-down choice list without a valid
// selection given its default index.
void NormaliseJob(JobSettings &job);
