#pragma once
// The window as seen by the run driver: the live job read from the controls,
// the event pump, the status panel, the log and list memos, the refusal
// focus and the drop-down histories.
//
// Between BeginRun() and EndRun() the run's output is gathered and shown on
// the repaint clock (TRunOutput), and the job is read from the controls only
// when one of them has changed since the last read: the walk asks for it at
// every entry, and a read converts every text of the window.

#include <chrono>
#include <cstdint>

#include "core/JobSettings.h"
#include "run/RunHost.h"
#include "ui/TJobWatch.h"
#include "ui/TMainControls.h"

class QWidget;
class TRenameCn;
class THistoryCombo;
class TRunOutput;

class TWindowHost : public TRunHost {
public:
  // `window` holds the controls; `output` shows the run's lines.
  TWindowHost(QWidget &window, const TMainControls &controls, const TRenameCn &rename,
              TRunOutput &output);
  ~TWindowHost() override;

  void BeginRun(std::size_t total = 0);
  void EndRun();
  // How often the job was read from the controls.
  std::uint64_t JobReads() const { return jobReads_; }

  const JobSettings &Job() override;
  void ProcessMessages() override;
  void SetStatusText(const std::string &text) override;
  void SetRunMessage(const std::string &text) override;
  void SetBusyCursor(bool busy) override;
  void AddLogLine(const std::string &line) override;
  void ShowLogPage() override;
  void ClearList() override;
  void AddListLine(const std::string &path) override;
  void ShowPage(TRunPage page) override;
  void SetFocus(TRunFocus control) override;
  bool IsHistoryTextTyped(THistoryBox box) override;
  void PushHistory(THistoryBox box, const std::string &text) override;
  void PushReplaceHistory(THistoryBox box,
                          const std::array<std::string, kConditionCount> &texts) override;

private:
  THistoryCombo *Box(THistoryBox box) const;

  const TMainControls &c_;
  const TRenameCn &rename_;
  TRunOutput &output_;
  TJobWatch watch_;
  JobSettings job_;
  bool inRun_ = false;
  bool jobCurrent_ = false;  // job_ is what the controls hold (during a run)
  std::uint64_t changesAtRead_ = 0;
  std::uint64_t jobReads_ = 0;
  bool busy_ = false;
  std::chrono::steady_clock::time_point lastPump_{};  // when the queue was last looked at
};
