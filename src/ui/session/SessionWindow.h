#pragma once

#include <optional>
// What the session sequences need of the main window.  TBunselMain
// implements these over its controls; everything else (files, dialogs,
// rules) stays in the sequences, so the window only maps controls.

#include <string>
#include <vector>

#include "core/StartupSettings.h"
#include "core/Histories.h"
#include "core/JobSettings.h"
#include "ui/session/DropTargets.h"
#include "ui/session/SessionTexts.h"

// The job, the histories and the carry-over flag.
class TSettingsAccess {
public:
  virtual ~TSettingsAccess() = default;

  // The job as the controls hold it now; the order list and the replace
  // conditions as the rename object holds them.
  virtual JobSettings GetJob() = 0;
  // Puts a job into the controls.  No refresh: the sequences say when.
  virtual void SetJob(const JobSettings &job) = 0;
  // After "読込": the first tab of TabControlReplace, condition 0 in the
  // visible condition controls, and the full refresh (Input with no
  // originating control).
  virtual void RefreshAfterJobLoad() = 0;

  // The drop-down lists of the six history boxes (item 0 on top).  Setting
  // them replaces the lists and keeps each box's text.
  virtual THistories GetHistories() = 0;
  virtual void SetHistories(const THistories &histories) = 0;

  // Where the window is and how large (nothing for a window that has none
  // to keep), and the place read back at the start.
  virtual std::optional<TWindowPlace> GetPlace() { return std::nullopt; }
  virtual void SetPlace(const TWindowPlace &) {}

  // CheckBoxSuccess ("次回起動時に今回終了時の設定を引き継ぐ").
  virtual bool GetCarryOver() = 0;
  virtual void SetCarryOver(bool carryOver) = 0;
};

// The lines of MemoLog.
class TLogAccess {
public:
  virtual ~TLogAccess() = default;
  virtual std::vector<std::string> GetLogLines() = 0;
  virtual void SetLogLines(const std::vector<std::string> &lines) = 0;
};

// Everything the button, drop and start-up sequences touch.
class TSessionWindow : public TSettingsAccess, public TTargetFields, public TLogAccess {
public:
  // A folder chosen in the browser: ComboBoxFolder (Target) or
  // ComboBoxCopyFolder (CopyDestination) takes it, then Input with the
  // button as the originating control.
  virtual void SetBrowsedFolder(TFolderRole role, const std::string &folder) = 0;
  // First status-bar panel.
  virtual void SetStatusText(const std::string &text) = 0;
};
