#pragma once
// What the run driver needs of its front end (the window, korvane-batch or a
// test).  The driver owns no part of the window: it asks the host for the
// live job, hands it texts to show and asks it to pump its events.

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "core/JobSettings.h"
#include "platform/FileSystem.h"

// Combo boxes whose drop-down history a run updates.
enum class THistoryBox { Folder, CopyFolder, Filter, Exception, FromName, ToName };

// Page of the file page control a refusal brings to the front.
enum class TRunPage { None, TabSheetTarget, TabSheetCond };

// Control a refusal gives the input focus to (None: the focus stays).
enum class TRunFocus {
  None,
  ComboBoxFolder,
  ComboBoxFilter,
  MaskEditDateFrom,
  MaskEditDateTo,
  ComboBoxCopyFolder,
  MaskEditUpDate,
  MaskEditNwDate,
  MaskEditAcDate,
};

class TRunHost {
public:
  virtual ~TRunHost() = default;

  // The job as it stands now.  Asked for at every entry the walk tests, so
  // a control changed during a run governs the entries tested afterwards;
  // a front end may hand back its last read while nothing has changed since.
  // The reference must stay valid until the next call.
  virtual const JobSettings &Job() = 0;

  // Lets the front end handle its pending input (Esc, clicks, control
  // changes, the clock).  Called between entries and targets, so it must be
  // cheap: painting and layout belong on a clock of their own, not to every
  // call.  A front end that sees Esc calls TRunDriver::Abort().
  virtual void ProcessMessages() = 0;

  // First status-bar panel: the folder being walked, refusal messages.
  virtual void SetStatusText(const std::string &text) = 0;
  // Caption of LabelMessage on the log page (the Esc hint; empty clears it).
  virtual void SetRunMessage(const std::string &text) = 0;
  // Hourglass cursor for the whole application while a run is under way.
  virtual void SetBusyCursor(bool busy) = 0;

  // The log (MemoLog): one line appended; brings the log page forward.
  // The front end may gather lines and show them with its next repaint, in
  // the order given.
  virtual void AddLogLine(const std::string &line) = 0;
  // The file the log is written to, when there is one (CP932, absolute),
  // and what it is on the disk: the run never takes it for a target, and
  // its undo finds the run's journal by it.
  virtual std::optional<std::string> LogFilePath() { return std::nullopt; }
  virtual std::optional<TFileId> LogFileId() { return std::nullopt; }
  virtual void ShowLogPage() = 0;
  // The list output (MemoList).
  virtual void ClearList() = 0;
  virtual void AddListLine(const std::string &path) = 0;

  // Refusals of ValidateRun.
  virtual void ShowPage(TRunPage page) = 0;
  virtual void SetFocus(TRunFocus control) = 0;

  // Histories.  IsHistoryTextTyped: the box's selected index is -1 (its text
  // was typed rather than picked from the list).
  virtual bool IsHistoryTextTyped(THistoryBox box) = 0;
  virtual void PushHistory(THistoryBox box, const std::string &text) = 0;
  // Pushes the non-empty texts in order (the last one ends on top) and keeps
  // the box's own text as it was.
  virtual void PushReplaceHistory(THistoryBox box,
                                  const std::array<std::string, kConditionCount> &texts) = 0;
};
