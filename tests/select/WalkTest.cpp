// The walk on real folder trees, observed through recording hooks.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <functional>
#include <string>
#include <vector>

#include "TempTree.h"
#include "platform/ExtensionCodes.h"
#include "platform/Sys.h"
#include "select/SplitList.h"
#include "select/Walk.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

// Records what the walk does, in order, as short texts relative to the tree:
// "enter sub/", "target sub/x.txt".
class TRecorder : public TWalkHooks {
public:
  explicit TRecorder(TTempTree &tree) : Root_(tree.Path() + "/") {}

  TWalkOptions Opt;
  std::vector<std::string> Events;
  int Pumps = 0;
  int AbortAtPump = -1;  // abort at this pump (1-based); -1 never
  // Optional per-target behaviour; the default descends under the same name.
  std::function<TTargetOutcome(const TargetEntry &)> Step;

  const TWalkOptions &Options() override { return Opt; }
  void ProcessMessages() override {
    if (++Pumps == AbortAtPump) Aborted_ = true;
  }
  bool Aborted() override { return Aborted_; }
  void EnterFolder(const std::string &folder) override {
    Events.push_back("enter " + Relative(folder));
    if (Aborted_) AfterAbort_ = true;
  }
  void PrepareLevel(std::vector<TargetEntry> &) override {}
  void SetFolderName(const std::string &name) override { FolderName = name; }
  TTargetOutcome ProcessTarget(const TargetEntry &entry, const TWalkLevel &level) override {
    Events.push_back("target " + Relative(std::string(entry.Folder) + entry.Name));
    Destinations.push_back(std::string(level.Destination));
    if (Aborted_) AfterAbort_ = true;
    if (Step) return Step(entry);
    return TTargetOutcome{entry.Name, entry.Name, false};
  }

  void FinishFolderTarget(const TargetEntry &entry, const TWalkLevel &) override {
    if (RecordFinish) Events.push_back("finish " + Relative(std::string(entry.Folder) + entry.Name));
  }
  bool RecordFinish = false;
  void FolderFailed(const std::string &folder, int error) override {
    Events.push_back("failed " + Relative(folder) + " " + std::to_string(error));
  }

  bool ActedAfterAbort() const { return AfterAbort_; }
  std::string FolderName;
  TMediaNeed Need = TMediaNeed::None;
  TMediaNeed MediaNeed() override { return Need; }
  std::vector<std::string> Destinations;

private:
  std::string Relative(const std::string &path) const {
    return path.rfind(Root_, 0) == 0 ? path.substr(Root_.size()) : path;
  }
  std::string Root_;
  bool Aborted_ = false;
  bool AfterAbort_ = false;
};

std::vector<std::string> Walk(TRecorder &recorder, TTempTree &tree,
                              std::string_view filterText, std::string_view exclusionText = "",
                              bool listOnly = false, std::size_t *unrepresentable = nullptr) {
  std::vector<std::string> filters, exclusionEntries;
  SplitList(filterText, filters);
  SplitList(exclusionText, exclusionEntries);
  TExclusionList exclusions(exclusionEntries);
  TFolderWalk walk(recorder, listOnly, filters, exclusions);
  walk.WalkFolder(tree.Path(), tree.Path());
  if (unrepresentable) *unrepresentable = walk.Unrepresentable();
  return recorder.Events;
}

std::vector<std::string> Targets(const std::vector<std::string> &events) {
  std::vector<std::string> targets;
  for (const std::string &event : events)
    if (event.rfind("target ", 0) == 0) targets.push_back(event.substr(7));
  return targets;
}

std::vector<std::string> Sorted(std::vector<std::string> items) {
  std::sort(items.begin(), items.end());
  return items;
}

using Strings = std::vector<std::string>;

TEST(WalkTest, FiltersDifferingOnlyInCaseListEachFileOnce) {
  TTempTree tree("a.txt\nB.TXT\nc.doc");
  TRecorder recorder(tree);
  EXPECT_EQ(Sorted(Targets(Walk(recorder, tree, "*.txt;*.TXT"))), (Strings{"B.TXT", "a.txt"}));
}

// A step that wants each folder's names gets them once per level, after the
// listing and before the level's first target: all of them, whatever the
// filters keep, as ReadFolderNames would read them.
TEST(WalkTest, AStepThatAsksHasEachFoldersNamesBeforeItsTargets) {
  class TNamesRecorder : public TRecorder {
  public:
    using TRecorder::TRecorder;
    bool WantsNamesRead() override { return true; }
    void NamesRead(TNamesRead &&read) override {
      std::sort(read.Names.begin(), read.Names.end());
      std::string text = read.Whole ? "names" : "names (not whole)";
      for (const std::string &name : read.Names) text += " " + name;
      Events.push_back(text);
    }
  };
  TTempTree tree("a.txt\nb.doc\nsub/c.txt\nsub/d.doc");
  TNamesRecorder recorder(tree);
  recorder.Opt.SubFolder = true;
  EXPECT_EQ(Walk(recorder, tree, "*.txt;*.doc"),
            (Strings{"enter ", "names a.txt b.doc sub", "target a.txt", "target b.doc", "enter sub/",
                     "names c.txt d.doc", "target sub/c.txt", "target sub/d.doc"}));
}

TEST(WalkTest, TargetsComeFilterByFilter) {
  TTempTree tree("a.htm\nb.html\nc.htm");
  TRecorder recorder(tree);
  Strings targets = Targets(Walk(recorder, tree, "*.html|*.htm"));
  ASSERT_EQ(targets.size(), 3u);
  EXPECT_EQ(targets[0], "b.html");
}

TEST(WalkTest, FolderTargetIsFollowedByItsSubtreeThenTheOtherSubfolders) {
  TTempTree tree("f.txt\nd1/x.txt\nd2/y.txt");
  TRecorder recorder(tree);
  recorder.Opt.FileOnly = 2;
  recorder.Opt.SubFolder = true;
  // "d1" as a filter of its own makes the listing order certain.
  EXPECT_EQ(Walk(recorder, tree, "*.txt;d1"),
            (Strings{"enter ", "target f.txt", "target d1", "enter d1/", "target d1/x.txt",
                     "enter d2/", "target d2/y.txt"}));
}

TEST(WalkTest, ListModeDoesNotDescendIntoListedFolders) {
  TTempTree tree("d1/x.txt\nd2/y.txt");
  TRecorder recorder(tree);
  recorder.Opt.FileOnly = 2;
  recorder.Opt.SubFolder = true;
  // d1 is a target (listed, never entered); d2 is not and is walked.
  EXPECT_EQ(Targets(Walk(recorder, tree, "d1;*.txt", "", true)), (Strings{"d1", "d2/y.txt"}));
}

TEST(WalkTest, RememberedNewNameIsNotEnteredAgain) {
  TTempTree tree("d/x.txt");
  TRecorder recorder(tree);
  recorder.Opt.FileOnly = 2;
  recorder.Opt.SubFolder = true;
  recorder.Step = [&](const TargetEntry &entry) {
    if (entry.Name != "d") return TTargetOutcome{entry.Name, entry.Name, false};
    std::filesystem::rename(tree.Native("d"), tree.Native("e"));
    return TTargetOutcome{"e", "e", true};
  };
  EXPECT_EQ(Walk(recorder, tree, "*.*"),
            (Strings{"enter ", "target d", "enter e/", "target e/x.txt"}));
}


TEST(WalkTest, HiddenFoldersAndLinksAreNeverEnteredByTheScan) {
  TTempTree tree("a.txt\n.h/in-hidden.txt\n.dot.txt\nsub/in-sub.txt\n@link -> sub");
  for (const char *filters : {"*.*", "*.txt", "*;*.txt"})
    for (bool stayPut : {false, true}) {
      TRecorder recorder(tree);
      recorder.Opt.ExcHidden = false;
      recorder.Opt.SubFolder = true;
      recorder.Opt.SubfoldersStayPut = stayPut;
      EXPECT_EQ(Sorted(Targets(Walk(recorder, tree, filters))),
                (Strings{".dot.txt", "a.txt", "sub/in-sub.txt"}))
          << filters << (stayPut ? " reused" : " listed again");
    }
}

// A run that makes no folders lets the closing scan reuse the first listing;
// any other lists the folder again and sees folders made during the level.
TEST(WalkTest, ClosingScanListsAgainOnlyWhenTheRunMayMakeFolders) {
  TTempTree tree("a.txt");
  for (bool stayPut : {false, true}) {
    TRecorder recorder(tree);
    recorder.Opt.SubFolder = true;
    recorder.Opt.SubfoldersStayPut = stayPut;
    recorder.Step = [&](const TargetEntry &entry) {
      if (entry.Name == "a.txt") tree.Add("made/x");
      return TTargetOutcome{entry.Name, entry.Name, false};
    };
    const Strings expected = stayPut ? Strings{"a.txt"} : Strings{"a.txt", "made/x"};
    EXPECT_EQ(Targets(Walk(recorder, tree, "*.*")), expected);
    std::filesystem::remove_all(tree.Native("made"));
  }
}

TEST(WalkTest, LinkToAFolderIsATargetButNotDescendedInto) {
  TTempTree tree("sub/in-sub.txt\n@link -> sub");
  TRecorder recorder(tree);
  recorder.Opt.FileOnly = 2;
  recorder.Opt.SubFolder = true;
  EXPECT_EQ(Walk(recorder, tree, "link"), (Strings{"enter ", "target link", "enter sub/"}));
}

TEST(WalkTest, HiddenFileIsATargetOnlyWhenHiddenFilesAreNotExcluded) {
  TTempTree tree(".secret\nplain");
  TRecorder excluded(tree);
  EXPECT_EQ(Targets(Walk(excluded, tree, "*.*")), (Strings{"plain"}));
  TRecorder included(tree);
  included.Opt.ExcHidden = false;
  EXPECT_EQ(Sorted(Targets(Walk(included, tree, "*.*"))), (Strings{".secret", "plain"}));
}

TEST(WalkTest, SizeBoundsAreInclusiveKilobytes) {
  TTempTree tree("s1023 1023\ns1024 1024\ns1025 1025\nfolder/");
  TRecorder recorder(tree);
  recorder.Opt.FileOnly = 2;
  recorder.Opt.SizeFrom = 1;
  recorder.Opt.SizeTo = 1;
  EXPECT_EQ(Targets(Walk(recorder, tree, "*.*")), (Strings{"s1024"}));

  TRecorder folders(tree);
  folders.Opt.FileOnly = 2;
  folders.Opt.SizeTo = 0;
  EXPECT_EQ(Targets(Walk(folders, tree, "*.*")), (Strings{"folder"}));
}

TEST(WalkTest, DateBoundsAreInclusiveAtTwoSecondResolution) {
  TTempTree tree("before\nat-start\nlast\nafter");
  tree.SetTime("before", 2002, 12, 31, 23, 59, 59);
  tree.SetTime("at-start", 2003, 1, 1, 0, 0, 0);
  tree.SetTime("last", 2003, 1, 1, 23, 59, 59);
  tree.SetTime("after", 2003, 1, 2, 0, 0, 0);
  TRecorder recorder(tree);
  recorder.Opt.HasDateFrom = true;
  recorder.Opt.DateRangeFrom = DateTimeParts{2003, 1, 1, 0, 0, 0, 0};
  recorder.Opt.HasDateTo = true;
  recorder.Opt.DateRangeTo = DateTimeParts{2003, 1, 1, 23, 59, 59, 0};
  EXPECT_EQ(Sorted(Targets(Walk(recorder, tree, "*.*"))), (Strings{"at-start", "last"}));

  // A bound whose field is empty is not applied, whatever value it holds.
  TRecorder open(tree);
  open.Opt.DateRangeFrom = DateTimeParts{2100, 1, 1, 0, 0, 0, 0};
  EXPECT_EQ(Targets(Walk(open, tree, "*.*")).size(), 4u);
}

// Times outside 1980-2107 have no packed form; they compare by their real
// time, before every bound (1970) or after every bound (2110).
TEST(WalkTest, DateBoundsJudgeTimesOutsideThePackedRangeByTheirRealTime) {
  TTempTree tree("epoch\nin-2003\nin-2110");
  const auto setRaw = [&](const char *name, std::time_t seconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, tree.Native(name).c_str(), times, 0), 0);
  };
  setRaw("epoch", 0);
  tree.SetTime("in-2003", 2003, 1, 15, 12, 0, 0);
  setRaw("in-2110", 4420000000LL);

  TRecorder until(tree);
  until.Opt.HasDateTo = true;
  until.Opt.DateRangeTo = DateTimeParts{2003, 1, 31, 23, 59, 59, 0};
  EXPECT_EQ(Sorted(Targets(Walk(until, tree, "*.*"))), (Strings{"epoch", "in-2003"}));

  TRecorder from(tree);
  from.Opt.HasDateFrom = true;
  from.Opt.DateRangeFrom = DateTimeParts{2003, 1, 1, 0, 0, 0, 0};
  EXPECT_EQ(Sorted(Targets(Walk(from, tree, "*.*"))), (Strings{"in-2003", "in-2110"}));
}

// The folder a run writes into may lie in the tree it walks.  It is neither a
// target nor walked, so what the run makes there is never taken for a source
// (a copy of t into t/out made t/out/out/out/... until paths grew too long).
TEST(WalkTest, TheOutputFolderIsNeverWalkedAsASource) {
  TTempTree tree("a.txt\nout/\nsub/\nsub/b.txt");
  TRecorder recorder(tree);
  recorder.Opt.FileOnly = 2;
  recorder.Opt.SubFolder = true;
  // As a copy does: a folder target is made in the destination, files land there.
  std::vector<std::string> made;
  recorder.Step = [&](const TargetEntry &entry) {
    const std::string destination = recorder.Destinations.back() + entry.Name;
    made.push_back(destination);
    if (entry.Attributes & kAttrDirectory) std::filesystem::create_directories(destination);
    else std::filesystem::copy_file(std::string(entry.Folder) + entry.Name, destination);
    return TTargetOutcome{entry.Name, entry.Name, false};
  };
  std::vector<std::string> filters{"*.*"};
  const TExclusionList exclusions({});
  TFolderWalk walk(recorder, false, filters, exclusions);
  walk.WalkFolder(tree.Path(), tree.Path("out"));
  EXPECT_EQ(Sorted(Targets(recorder.Events)), (Strings{"a.txt", "sub", "sub/b.txt"}));
  EXPECT_TRUE(tree.Exists("out/sub/b.txt"));
  EXPECT_FALSE(tree.Exists("out/out"));

  // An output folder the run itself creates, met by the closing scan.
  TTempTree later("a.txt\nsub/\nsub/b.txt");
  TRecorder files(later);
  files.Opt.SubFolder = true;
  files.Opt.FlattenSubfolders = true;
  files.Step = [&](const TargetEntry &entry) {
    std::filesystem::create_directories(later.Native("new/out"));
    std::filesystem::copy_file(later.Native(entry.Name == "a.txt" ? "a.txt" : "sub/b.txt"),
                               later.Native("new/out/" + entry.Name));
    return TTargetOutcome{entry.Name, entry.Name, false};
  };
  TFolderWalk flat(files, false, filters, exclusions);
  flat.WalkFolder(later.Path(), later.Path("new/out"));
  EXPECT_EQ(Sorted(Targets(files.Events)), (Strings{"a.txt", "sub/b.txt"}));

  // Output into the walked folder itself fences nothing off.
  TTempTree same("a.txt\nsub/\nsub/b.txt");
  TRecorder inPlace(same);
  inPlace.Opt.SubFolder = true;
  TFolderWalk beside(inPlace, false, filters, exclusions);
  beside.WalkFolder(same.Path(), same.Path() + "/");
  EXPECT_EQ(Sorted(Targets(inPlace.Events)), (Strings{"a.txt", "sub/b.txt"}));
}

TEST(WalkTest, ExclusionListComparesWholeExtensionsIgnoringCase) {
  TTempTree tree("a.exe\nb.txt\nnodot\n.exe\nc.exe.bak");
  TRecorder recorder(tree);
  recorder.Opt.ExcHidden = false;
  EXPECT_EQ(Sorted(Targets(Walk(recorder, tree, "*.*", ".EXE;.bak"))), (Strings{"b.txt", "nodot"}));

  TRecorder noDot(tree);
  noDot.Opt.ExcHidden = false;
  EXPECT_EQ(Targets(Walk(noDot, tree, "*.*", "exe")).size(), 5u);
  TRecorder empty(tree);
  empty.Opt.ExcHidden = false;
  EXPECT_EQ(Targets(Walk(empty, tree, "*.*", "")).size(), 5u);
}

TEST(WalkTest, KindSelectsFilesFoldersOrBoth) {
  TTempTree tree("f\nd/");
  const std::pair<int, Strings> cases[] = {
      {0, {"f"}}, {1, {"d"}}, {2, {"d", "f"}}, {-1, {"d", "f"}}};
  for (const auto &[kind, expected] : cases) {
    TRecorder recorder(tree);
    recorder.Opt.FileOnly = kind;
    EXPECT_EQ(Sorted(Targets(Walk(recorder, tree, "*.*"))), expected) << "kind " << kind;
  }
}

TEST(WalkTest, FlattenedSubfoldersShareTheTopDestination) {
  TTempTree tree("a.txt\ns1/b.txt\ns1/s2/c.txt");
  TRecorder recorder(tree);
  recorder.Opt.SubFolder = true;
  recorder.Opt.FlattenSubfolders = true;
  Walk(recorder, tree, "*.*");
  ASSERT_EQ(recorder.Destinations.size(), 3u);
  for (const std::string &destination : recorder.Destinations) EXPECT_EQ(destination, tree.Path() + "/");

  TRecorder mirrored(tree);
  mirrored.Opt.SubFolder = true;
  Walk(mirrored, tree, "*.*");
  EXPECT_EQ(Sorted(mirrored.Destinations),
            (Strings{tree.Path() + "/", tree.Path() + "/s1/", tree.Path() + "/s1/s2/"}));
}

// A run that removes its folder targets does it once the walk is through
// with what they hold, so that the removal's record tells whether it went.
TEST(WalkTest, AFolderTargetIsFinishedAfterItsSubtree) {
  TTempTree tree("d/x\nd/e/y\nf");
  TRecorder recorder(tree);
  recorder.Opt.FileOnly = 2;
  recorder.Opt.SubFolder = true;
  recorder.RecordFinish = true;
  const std::vector<std::string> events = Walk(recorder, tree, "*.*");
  const auto at = [&](const std::string &event) {
    return std::find(events.begin(), events.end(), event) - events.begin();
  };
  ASSERT_LT(at("finish d"), static_cast<std::ptrdiff_t>(events.size()));
  EXPECT_LT(at("target d/x"), at("finish d"));
  EXPECT_LT(at("finish d/e"), at("finish d"));
  EXPECT_LT(at("target d/e/y"), at("finish d/e"));
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [](const std::string &e) { return e.starts_with("finish"); }),
            2);
}

// A folder that cannot be opened or read is reported, never passed over in
// silence; one that has gone is nothing to report.
TEST(WalkTest, AFolderThatCannotBeOpenedIsReported) {
  TTempTree tree("a/x\nb/y\nc/z");
  TRecorder recorder(tree);
  recorder.Opt.SubFolder = true;
  korvane::sys::InjectFault("openat", EACCES);
  std::vector<std::string> events = Walk(recorder, tree, "*.*");
  korvane::sys::ClearFaults();
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [](const std::string &e) { return e.starts_with("failed ") && e.ends_with(" " + std::to_string(EACCES)); }),
            1);
  EXPECT_EQ(Sorted(Targets(events)).size(), 2u);

  TRecorder listing(tree);
  listing.Opt.SubFolder = true;
  korvane::sys::InjectFault("readdir", EIO);  // the first listing, the top folder's
  events = Walk(listing, tree, "*.*");
  korvane::sys::ClearFaults();
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [](const std::string &e) { return e.starts_with("failed "); }),
            1);

  TRecorder gone(tree);
  gone.Opt.SubFolder = true;
  korvane::sys::InjectFault("openat", ENOENT);
  events = Walk(gone, tree, "*.*");
  korvane::sys::ClearFaults();
  EXPECT_EQ(std::count_if(events.begin(), events.end(),
                          [](const std::string &e) { return e.starts_with("failed "); }),
            0);
}


TEST(WalkTest, NamesFindingNoCodeLeftArePassedOverAndCounted) {
  // U+00E9 has no Shift-JIS form, and every extension code is taken.
  TTempTree tree("caf\xc3\xa9\nplain\nsub/\xc3\xa9t\xc3\xa9\nsub/x");
  TRecorder recorder(tree);
  recorder.Opt.SubFolder = true;
  TScopedExtensionCodes scoped;
  scoped.FillUntil(0);
  std::size_t unrepresentable = 0;
  EXPECT_EQ(Sorted(Targets(Walk(recorder, tree, "*.*;*", "", false, &unrepresentable))),
            (Strings{"plain", "sub/x"}));
  EXPECT_EQ(unrepresentable, 2u);
}

// Esc at any pump: nothing is entered or processed after the pump that saw
// it, and the walk returns.
TEST(WalkTest, AbortAtEveryPumpStopsAllFurtherWork) {
  TTempTree tree("a\nb\nd/c\nd/e/f\ng/h\ng/i");
  TRecorder full(tree);
  full.Opt.FileOnly = 2;
  full.Opt.SubFolder = true;
  Walk(full, tree, "*.*;*");
  ASSERT_GT(full.Pumps, 10);
  for (int pump = 1; pump <= full.Pumps; ++pump) {
    TRecorder recorder(tree);
    recorder.Opt = full.Opt;
    recorder.AbortAtPump = pump;
    Walk(recorder, tree, "*.*;*");
    EXPECT_FALSE(recorder.ActedAfterAbort()) << "abort at pump " << pump;
    EXPECT_LE(recorder.Events.size(), full.Events.size()) << "abort at pump " << pump;
  }
}

// A folder of many names is listed with the front end pumped along the
// way, so an Esc during the listing stops the run before its first target.
TEST(WalkTest, TheListingOfALargeFolderPumpsAndEscStopsItBeforeAnyTarget) {
  TTempTree tree;
  std::string names;
  for (int i = 0; i < 1000; ++i) names += "f" + std::to_string(i) + "\n";
  tree.Add(names);
  // A filter that keeps nothing: before, nothing was pumped until the
  // listing ended.
  TRecorder narrow(tree);
  Walk(narrow, tree, "*.none");
  EXPECT_GE(narrow.Pumps, 3 + 2);  // every 256 names, then the level's own two
  TRecorder recorder(tree);
  recorder.AbortAtPump = 2;
  Walk(recorder, tree, "*.*");
  EXPECT_TRUE(Targets(recorder.Events).empty());
  EXPECT_FALSE(recorder.ActedAfterAbort());
}

// A folder swapped for a link between the listing that found it and the
// descent into it: the walk opens it relative to its parent without
// following the link, so the folder the link leads to is never walked.
TEST(WalkTest, AFolderSwappedForALinkBeforeTheDescentIsNotEntered) {
  TTempTree outside("secret.txt");
  for (const int kind : {0, 2}) {  // found by the closing scan, or as a folder target
    TTempTree tree("sub/a.txt");
    TRecorder recorder(tree);
    recorder.Opt.SubFolder = true;
    recorder.Opt.FileOnly = kind;
    korvane::sys::OnCall("openat", [&] {
      std::filesystem::remove_all(tree.Native("sub"));
      std::filesystem::create_directory_symlink(outside.Native(), tree.Native("sub"));
    });
    const Strings events = Walk(recorder, tree, "*.*");
    korvane::sys::ClearFaults();
    EXPECT_EQ(events.back(), "enter sub/") << kind;
    for (const std::string &target : Targets(events)) EXPECT_EQ(target.find("secret"), std::string::npos);
    EXPECT_TRUE(outside.Exists("secret.txt"));
  }
}

}  // namespace

namespace {

// A source that takes a ".jpg" file's content for its shooting instant and
// notes the threads it was called on.
class TContentSource : public TMetadataSource {
public:
  bool Reads(std::string_view extension, TMediaNeed need) const override {
    return need != TMediaNeed::None && extension == ".jpg";
  }
  bool Read(const TMediaInput &input, TMediaFacts &facts) const override {
    char text[32] = {};
    if (::pread(input.Fd, text, sizeof text - 1, 0) <= 0) return false;
    facts.Taken = TShotTime{{}, std::atoll(text)};
    std::unique_lock lock(Mutex);
    Threads.insert(std::this_thread::get_id());
    ++Calls;
    // The first reads wait a while for a second thread, so that a busy
    // machine cannot let one thread finish all the work before the other
    // has started.
    Arrived.notify_all();
    Arrived.wait_for(lock, std::chrono::seconds(2), [this] { return Threads.size() >= 2; });
    return true;
  }
  mutable std::mutex Mutex;
  mutable std::condition_variable Arrived;
  mutable std::set<std::thread::id> Threads;
  mutable std::atomic<int> Calls{0};
};

TMediaReader ContentReader(TContentSource *&source) {
  auto owned = std::make_unique<TContentSource>();
  source = owned.get();
  std::vector<std::unique_ptr<TMetadataSource>> sources;
  sources.push_back(std::move(owned));
  return TMediaReader(std::move(sources));
}

TEST(WalkTest, TheMediaOfALevelIsReadBeforeItIsPreparedWhenTheRunNeedsIt) {
  TTempTree tree("notes.txt\nfolder.jpg/\n@link.jpg -> p000.jpg");
  for (int i = 0; i < 300; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "p%03d.jpg", i);
    std::ofstream(tree.Native(name)) << 1000 + i;
  }
  TContentSource *source = nullptr;
  const TMediaReader reader = ContentReader(source);
  TRecorder recorder(tree);
  recorder.Opt.FileOnly = 2;
  std::map<std::string, std::int64_t> seen;
  recorder.Step = [&](const TargetEntry &entry) {
    seen[entry.Name] = entry.Media && entry.Media->Taken ? entry.Media->Taken->Instant : -1;
    return TTargetOutcome{entry.Name, entry.Name, false};
  };
  std::vector<std::string> filters{"*.*"};
  const TExclusionList exclusions({});
  {
    TFolderWalk walk(recorder, false, filters, exclusions);
    walk.SetMediaReader(&reader);
    walk.WalkFolder(tree.Path(), tree.Path());
  }
  EXPECT_EQ(source->Calls, 0);  // a run that needs nothing reads nothing
  recorder.Need = TMediaNeed::Taken;
  seen.clear();
  {
    TFolderWalk walk(recorder, false, filters, exclusions);
    walk.SetMediaReader(&reader);
    walk.WalkFolder(tree.Path(), tree.Path());
  }
  EXPECT_EQ(source->Calls, 300);
  EXPECT_EQ(seen["p000.jpg"], 1000);
  EXPECT_EQ(seen["p299.jpg"], 1299);
  // Neither a folder, nor a link, nor a kind no source reads.
  EXPECT_EQ(seen["folder.jpg"], -1);
  EXPECT_EQ(seen["link.jpg"], -1);
  EXPECT_EQ(seen["notes.txt"], -1);
  // A second thread shares the work where there is another processor.
  EXPECT_EQ(source->Threads.size(), std::thread::hardware_concurrency() > 1 ? 2u : 1u);
}

TEST(WalkTest, EscWhileTheMediaIsReadStopsBeforeAnyTarget) {
  TTempTree tree;
  for (int i = 0; i < 2000; ++i) std::ofstream(tree.Native("p" + std::to_string(i) + ".jpg")) << i;
  TContentSource *source = nullptr;
  const TMediaReader reader = ContentReader(source);
  // Esc as soon as the reading has begun.
  class TEscOnRead : public TRecorder {
  public:
    TEscOnRead(TTempTree &tree, TContentSource *source) : TRecorder(tree), Source_(source) {}
    void ProcessMessages() override {
      if (AbortAtPump < 0 && Source_->Calls > 0) AbortAtPump = Pumps + 1;
      TRecorder::ProcessMessages();
    }

  private:
    TContentSource *Source_;
  } recorder(tree, source);
  recorder.Need = TMediaNeed::Taken;
  std::vector<std::string> filters{"*.jpg"};
  const TExclusionList exclusions({});
  TFolderWalk walk(recorder, false, filters, exclusions);
  walk.SetMediaReader(&reader);
  walk.WalkFolder(tree.Path(), tree.Path());
  EXPECT_TRUE(Targets(recorder.Events).empty());
  EXPECT_GT(source->Calls, 0);
  EXPECT_LT(source->Calls, 2000);
}

}  // namespace
