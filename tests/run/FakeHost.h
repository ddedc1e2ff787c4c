#pragma once
// A run host that records everything the driver shows and lets a test act
// at a chosen pump, as a user would during a run.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/Histories.h"
#include "run/RunHost.h"

class TFakeHost : public TRunHost {
public:
  JobSettings JobValue;
  int JobReads = 0;

  std::vector<std::string> Log;
  std::vector<std::string> List;
  int ListClears = 0;
  std::string Status;
  std::string RunMessage;
  std::vector<bool> CursorStates;
  std::vector<TRunPage> Pages;
  std::vector<TRunFocus> Focuses;
  int LogPageShown = 0;
  std::map<THistoryBox, bool> Typed;  // missing: typed
  THistories Histories;

  int Pumps = 0;
  // Called at every pump with its number (1-based).
  std::function<void(int)> OnPump;
  // Called for every log line before it is kept.
  std::function<void(const std::string &)> OnLogLine;

  const JobSettings &Job() override {
    ++JobReads;
    return JobValue;
  }
  void ProcessMessages() override {
    ++Pumps;
    if (OnPump) OnPump(Pumps);
  }
  void SetStatusText(const std::string &text) override { Status = text; }
  void SetRunMessage(const std::string &text) override { RunMessage = text; }
  void SetBusyCursor(bool busy) override { CursorStates.push_back(busy); }
  void AddLogLine(const std::string &line) override {
    if (OnLogLine) OnLogLine(line);
    Log.push_back(line);
  }
  void ShowLogPage() override { ++LogPageShown; }
  void ClearList() override {
    ++ListClears;
    List.clear();
  }
  void AddListLine(const std::string &path) override { List.push_back(path); }
  void ShowPage(TRunPage page) override { Pages.push_back(page); }
  void SetFocus(TRunFocus control) override { Focuses.push_back(control); }
  bool IsHistoryTextTyped(THistoryBox box) override {
    auto it = Typed.find(box);
    return it == Typed.end() || it->second;
  }
  void PushHistory(THistoryBox box, const std::string &text) override {
    ::PushHistory(ListOf(box), text);
  }
  void PushReplaceHistory(THistoryBox box,
                          const std::array<std::string, kConditionCount> &texts) override {
    ::PushReplaceHistory(ListOf(box), texts);
  }

  std::vector<std::string> &ListOf(THistoryBox box) {
    switch (box) {
      case THistoryBox::Folder: return Histories.Folder;
      case THistoryBox::CopyFolder: return Histories.CopyFolder;
      case THistoryBox::Filter: return Histories.Filter;
      case THistoryBox::Exception: return Histories.Exception;
      case THistoryBox::FromName: return Histories.FromName;
      case THistoryBox::ToName: break;
    }
    return Histories.ToName;
  }
};
