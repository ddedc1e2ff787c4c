#pragma once
// A window stand-in that keeps the job, the histories, the flag and the log
// as plain values and records which calls arrived, in order.

#include <string>
#include <vector>

#include "ui/JobTexts.h"
#include "ui/session/SessionWindow.h"

class TFakeWindow : public TSessionWindow {
public:
  // Not default-constructed here: this header is also compiled with UTF-8
  // literals, and the job's defaults must keep their CP932 texts.
  JobSettings Job = DefaultJob();
  THistories Histories = InitialHistories();
  bool CarryOver = false;
  std::vector<std::string> Log;
  std::string Status;
  std::vector<std::string> Calls;

  JobSettings GetJob() override { return Job; }
  void SetJob(const JobSettings &job) override {
    Calls.push_back("SetJob");
    Job = job;
  }
  void RefreshAfterJobLoad() override { Calls.push_back("Refresh"); }
  THistories GetHistories() override { return Histories; }
  void SetHistories(const THistories &histories) override { Histories = histories; }
  bool GetCarryOver() override { return CarryOver; }
  void SetCarryOver(bool carryOver) override { CarryOver = carryOver; }

  void ShowTargetPage() override { Calls.push_back("ShowTargetPage"); }
  void SetTargetFolder(const std::string &folder) override {
    Calls.push_back("Folder=" + folder);
    Job.FindFile.Folder = folder;
  }
  void SetTargetFilter(const std::string &filter) override {
    Calls.push_back("Filter=" + filter);
    Job.FindFile.Filter = filter;
  }
  std::string TargetFilter() override { return Job.FindFile.Filter; }
  void SetCopyFolder(const std::string &folder) override {
    Calls.push_back("CopyFolder=" + folder);
    Job.Copy.Folder = folder;
  }

  std::vector<std::string> GetLogLines() override { return Log; }
  void SetLogLines(const std::vector<std::string> &lines) override { Log = lines; }

  void SetBrowsedFolder(TFolderRole role, const std::string &folder) override {
    Calls.push_back((role == TFolderRole::Target ? "Browsed Target=" : "Browsed Copy=") + folder);
  }
  void SetStatusText(const std::string &text) override { Status = text; }
};
