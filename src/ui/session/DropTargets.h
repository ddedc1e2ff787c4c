#pragma once
// Which folder and filter a list of paths selects.  The same rule serves the
// paths dropped onto the window and the paths given on the command line:
// an existing folder becomes the target folder, an existing file makes its
// folder the target folder and adds "*" + its extension to the filter, and
// the last path decides the folder.  Paths are CP932 byte strings.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A dropped path may be at most 255 bytes long.  A longer one is skipped
// rather than cut: a cut path names some other folder or file.
inline constexpr std::size_t kMaxDroppedPathBytes = 255;
// No length limit (the command line).
inline constexpr std::size_t kNoPathLimit = static_cast<std::size_t>(-1);

// Paths as handed over by the shell or the command line, after conversion to
// CP932.  Unrepresentable counts the paths that Shift-JIS cannot hold and
// NotLocal the dropped items that are no local file (a web address); neither
// reaches the list.
struct TPathList {
  std::vector<std::string> Paths;
  std::size_t Unrepresentable = 0;
  std::size_t NotLocal = 0;

  bool Empty() const { return Paths.empty() && Unrepresentable == 0 && NotLocal == 0; }
};

// The outcome of the rule over a whole list.
struct TTargetChoice {
  std::string Folder;
  std::string Filter;
  std::size_t Used = 0;             // paths that named an existing folder or file
  std::size_t Missing = 0;          // neither an existing folder nor an existing file,
                                    // or no local path at all
  std::size_t TooLong = 0;          // longer than the limit given, skipped
  std::size_t Unrepresentable = 0;  // carried over from the TPathList

  std::size_t Skipped() const { return Missing + TooLong + Unrepresentable; }
};

// The folder part of a path up to and including its last delimiter; empty
// when the path has none.
std::string FolderPart(std::string_view path);

// The extension of a path: from its last '.' after the last delimiter to the
// end, dot included; empty when there is none.
std::string PathExtension(std::string_view path);

// Adds "*" + ext to a filter unless ext (ASCII letters upper-cased) already
// occurs anywhere in the upper-cased filter; ";" separates it from a
// non-empty filter.  The test is a plain substring test, so ".C" counts as
// occurring in "*.CPP", and an empty ext never occurs: each file without an
// extension adds another "*".
void AddExtensionToFilter(std::string &filter, std::string_view ext);

// Applies the rule to every path in order.  Paths longer than maxPathBytes
// are skipped and counted, as are paths that name nothing (a dropped file
// may have vanished before the drop arrived).
TTargetChoice ChooseTargets(const TPathList &paths, std::size_t maxPathBytes);

// A message for the status bar when paths were skipped, else empty (CP932).
std::string SkippedPathsMessage(const TTargetChoice &choice);

// What the drop and the command line set in the window.  The main window
// implements it over its controls.
class TTargetFields {
public:
  virtual ~TTargetFields() = default;
  // Brings the first page of PageControlFile ("対象ファイル") to the front.
  virtual void ShowTargetPage() = 0;
  // ComboBoxFolder's text, followed by Input(ComboBoxFolder).
  virtual void SetTargetFolder(const std::string &folder) = 0;
  // ComboBoxFilter's text, followed by Input(ComboBoxFilter).
  virtual void SetTargetFilter(const std::string &filter) = 0;
  // ComboBoxFilter's text as it stands.
  virtual std::string TargetFilter() = 0;
  // ComboBoxCopyFolder's text only; no refresh.
  virtual void SetCopyFolder(const std::string &folder) = 0;
};

// Heights of the two areas that stack at the top of the window's client
// area: the file page control and the panel of the date, attribute and copy
// options below it.
inline constexpr int kPageControlFileHeight = 121;
inline constexpr int kPanelMiscHeight = 92;

// True when a drop at client height y landed on the panel below the file
// page control (strictly between its top and bottom edge).
bool IsOnCopyFolderPanel(int y, int pageControlFileHeight = kPageControlFileHeight,
                         int panelMiscHeight = kPanelMiscHeight);

// A drop: on the panel it sets the copy destination only (the filter is
// discarded, nothing is refreshed); elsewhere it shows the target page and
// replaces the target folder and the filter (an empty filter too, when only
// folders were dropped).  A drop of which every path was skipped changes
// nothing: clearing the fields would only lose the user's texts.
void ApplyDrop(const TTargetChoice &choice, bool onCopyFolderPanel, TTargetFields &fields);

// The command line: nothing at all without arguments; otherwise the target
// folder and the filter are replaced by what the arguments select, also when
// that is empty.  Returns the choice so the caller can report skipped
// arguments; Applied is false when there were no arguments.
struct TCommandLineResult {
  bool Applied = false;
  TTargetChoice Choice;
};
TCommandLineResult ApplyCommandLine(const TPathList &arguments, TTargetFields &fields);
