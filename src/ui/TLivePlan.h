#pragma once
// What the live list shows: the plan of a rename job's first targets,
// made again after every edit.  The folders are listed only when what
// selects the targets changed (the folder, the filter, the narrowing, the
// exclusions, the place of renamed copies, what the run reads of the
// files); an edit of the rename itself plans the kept listing again.  The
// plan is the preview's (F5), cut short after the first targets: it stays
// the authority for the rest.
//
// It plans through a driver of its own, whose host is quiet: no status
// text, focus or page change reaches the window, and a job that cannot be
// planned says why in the list instead.

#include <chrono>
#include <cstddef>
#include <memory>

#include "core/JobSettings.h"

class TRunHost;
class TRunDriver;
class TRenameCn;
class TCopyCn;
class TDeleteCn;
class TChangeCn;
class TLiveList;

class TLivePlan {
public:
  // The most targets the list shows.
  static constexpr std::size_t kShown = 1000;
  // How long a listing may keep the window waiting before it ends with the
  // targets it has: a folder typed a letter at a time passes through "/"
  // and other large trees, whose first targets are listed long before.
  static constexpr int kListingMs = 150;

  // `window`: the window's own host, asked for its log file (never a target).
  TLivePlan(TRunHost &window, TRenameCn &rename, TCopyCn &copy, TDeleteCn &del, TChangeCn &change);
  ~TLivePlan();
  TLivePlan(const TLivePlan &) = delete;
  TLivePlan &operator=(const TLivePlan &) = delete;

  // Plans `job` (as the window holds it; the operation objects already
  // follow it) into `list`.
  void Refresh(const JobSettings &job, TLiveList &list);
  // The disk changed (a run): the next refresh lists the folders again.
  void Forget();
  // How many times the folders were listed.
  std::size_t Listings() const { return Listings_; }
  // Tests shorten the listing's time.
  std::chrono::milliseconds ListingTime{kListingMs};

private:
  class THost;
  struct TListing;
  std::unique_ptr<THost> Host_;
  std::unique_ptr<TRunDriver> Driver_;
  std::unique_ptr<TListing> Listing_;
  TRenameCn &Rename_;
  TChangeCn &Change_;
  std::size_t Listings_ = 0;
};
