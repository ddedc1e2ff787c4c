#include "ui/TLivePlan.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string>
#include <vector>

#include "run/ListedTargets.h"
#include "run/RunDriver.h"
#include "run/RunPlan.h"
#include "run/RunSteps.h"
#include "ui/QtText.h"
#include "ui/TLiveList.h"
#include "ui/TPlanTableModel.h"
#include "ui/session/TKorvaneApplication.h"

// The job as it stood at the refresh, and nothing of the window touched:
// a refusal's text is kept for the list.
class TLivePlan::THost final : public TRunHost {
public:
  explicit THost(TRunHost &window) : Window_(window) {}

  void Take(const JobSettings &job) {
    Job_ = job;
    Message_.clear();
  }
  const std::string &Message() const { return Message_; }

  const JobSettings &Job() override { return Job_; }
  void ProcessMessages() override {}
  void SetStatusText(const std::string &text) override { Message_ = text; }
  void SetRunMessage(const std::string &) override {}
  void SetBusyCursor(bool) override {}
  void AddLogLine(const std::string &) override {}
  std::optional<std::string> LogFilePath() override { return Window_.LogFilePath(); }
  std::optional<TFileId> LogFileId() override { return Window_.LogFileId(); }
  void ShowLogPage() override {}
  void ClearList() override {}
  void AddListLine(const std::string &) override {}
  void ShowPage(TRunPage) override {}
  void SetFocus(TRunFocus) override {}
  bool IsHistoryTextTyped(THistoryBox) override { return false; }
  void PushHistory(THistoryBox, const std::string &) override {}
  void PushReplaceHistory(THistoryBox, const std::array<std::string, kConditionCount> &) override {}

private:
  TRunHost &Window_;
  JobSettings Job_;
  std::string Message_;
};

// The kept listing and what it was listed for.
struct TLivePlan::TListing {
  bool Listed = false;
  TListedTargets Targets;
  JobSettings::FindFileGroup Find;
  std::string Destination;
  bool MakeCopy = false;
  TMediaNeed Need = TMediaNeed::None;

  bool Serves(const JobSettings &job, const std::string &destination, TMediaNeed need) const {
    return Listed && Find == job.FindFile && Destination == destination && MakeCopy == job.Rename.Copy &&
           Need == need;
  }
};

namespace {

// The rename of each target, as the list shows it: not the folders the run
// makes on the way, the changes that follow, nor the first half of a swap.
class TTargetSink final : public TPlanSink {
public:
  void AddPlanMarker(std::string_view) override {}
  void AddPlanRecord(const TPlanRecord &record) override {
    if (record.Mode == RunMode::Rename && !record.Source.empty() && !record.Temporary) Rows.push_back(record);
  }
  std::vector<TPlanRecord> Rows;
};

}  // namespace

TLivePlan::TLivePlan(TRunHost &window, TRenameCn &rename, TCopyCn &copy, TDeleteCn &del, TChangeCn &change)
    : Host_(std::make_unique<THost>(window)),
      Driver_(std::make_unique<TRunDriver>(*Host_, rename, copy, del, change)),
      Listing_(std::make_unique<TListing>()), Rename_(rename), Change_(change) {}

TLivePlan::~TLivePlan() = default;

void TLivePlan::Forget() { Listing_->Listed = false; }

void TLivePlan::Refresh(const JobSettings &job, TLiveList &list) {
  Host_->Take(job);
  try {
    const TMediaNeed need = RunMediaNeed(RunMode::Rename, Rename_, Change_);
    const std::string &destination = RunDestination(RunMode::Rename, job);
    if (!Listing_->Serves(job, destination, need)) {
      Listing_->Listed = false;
      // Once late, the listing ends as soon as it holds the targets shown;
      // a tree whose few targets lie far apart is given up later still.
      const auto start = std::chrono::steady_clock::now();
      const auto enough = [this, start](std::size_t listed) {
        const auto spent = std::chrono::steady_clock::now() - start;
        return spent >= ListingTime && (listed >= kShown || spent >= 4 * ListingTime);
      };
      if (Driver_->ListTargets(RunMode::Rename, Listing_->Targets, enough) != TRunOutcome::Finished) {
        list.ShowRefusal(Q(Host_->Message()));
        return;
      }
      ++Listings_;
      Listing_->Listed = true;
      Listing_->Find = job.FindFile;
      Listing_->Destination = destination;
      Listing_->MakeCopy = job.Rename.Copy;
      Listing_->Need = need;
    }
    TTargetSink sink;
    const TRunOutcome outcome = Driver_->PlanListed(RunMode::Rename, Listing_->Targets, sink,
                                                    [&sink] { return sink.Rows.size() >= kShown; });
    // A pattern half typed keeps the last rows, and the list says why.
    if (outcome != TRunOutcome::Finished) {
      list.ShowRefusal(Q(Host_->Message()));
      return;
    }
    list.Clear(job.FindFile.Folder);
    for (const TPlanRecord &row : sink.Rows) list.Model().Add(row);
    list.Finish(sink.Rows.size(), std::max(Listing_->Targets.Count, sink.Rows.size()), Listing_->Targets.Complete);
  } catch (...) {
    Listing_->Listed = false;
    list.ShowRefusal(ExceptionMessage(std::current_exception()));
  }
}
