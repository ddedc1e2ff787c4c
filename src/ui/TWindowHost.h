#pragma once
// The window as seen by the run driver: the live job read from the controls,
// the event pump, the status panel, the log and list memos, the refusal
// focus and the drop-down histories.

#include "core/JobSettings.h"
#include "run/RunHost.h"
#include "ui/TMainControls.h"

class TRenameCn;
class THistoryCombo;

class TWindowHost : public TRunHost {
public:
  TWindowHost(const TMainControls &controls, const TRenameCn &rename);
  ~TWindowHost() override;

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
  JobSettings job_;
  bool busy_ = false;
};
