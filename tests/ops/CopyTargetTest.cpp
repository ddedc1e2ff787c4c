// CopyTarget on real folders: the same-name policies, alias names, source
// deletion and folder targets.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "TempTree.h"
#include "ops/UnitFileCn.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/FileSystems.h"
#include "platform/Sys.h"

namespace {

const DosDateTime kOld = Dos(2020, 1, 1, 10, 0, 0);
const DosDateTime kNew = Dos(2024, 5, 17, 13, 45, 8);

class CopyTargetTest : public ::testing::Test {
protected:
  // Copies src/<name> (content and time as given) into dst/, where a file of
  // the same name may already wait.
  bool Copy(const std::string &name) {
    const std::string source = tree / ("src/" + name);
    const std::int64_t size = static_cast<std::int64_t>(TTempTree::Content(source)->size());
    // The attributes as the walk reports them.
    return cn.CopyTarget(source, tree / "dst/", TTempTree::Time(source), GetAttributes(source).value_or(0), size);
  }
  void Files(const std::string &sourceContent, DosDateTime sourceTime,
             const std::string &existingContent, DosDateTime existingTime) {
    tree.Add("src/a.txt=" + sourceContent + " dst/a.txt=" + existingContent);
    TTempTree::SetTime(tree / "src/a.txt", sourceTime);
    TTempTree::SetTime(tree / "dst/a.txt", existingTime);
  }
  std::string Dst() const { return TTempTree::List(tree / "dst/"); }

  TTempTree tree;
  TCopyCn cn;
};

TEST_F(CopyTargetTest, AFreeNameIsCopiedWhateverThePolicy) {
  tree.Add("src/a.txt=data dst/");
  TTempTree::SetTime(tree / "src/a.txt", kOld);
  cn.Same = 0;
  EXPECT_TRUE(Copy("a.txt"));
  EXPECT_EQ(cn.ResultName, "a.txt");
  EXPECT_EQ(TTempTree::Content(tree / "dst/a.txt"), "data");
  EXPECT_EQ(TTempTree::Time(tree / "dst/a.txt"), kOld);
  EXPECT_TRUE(TTempTree::Exists(tree / "src/a.txt"));
}

// One row per policy combination: what the destination holds afterwards.
TEST_F(CopyTargetTest, SameNamePolicies) {
  struct {
    const char *What;
    int Same, OverWrite, Alias;
    const char *Source;
    DosDateTime SourceTime;
    const char *Existing;
    DosDateTime ExistingTime;
    bool Ok;
    const char *Result;   // ResultName afterwards
    const char *Listing;  // the destination afterwards
    const char *Content;  // of dst/a.txt afterwards
  } const cases[] = {
      {"keep", 0, 0, 0, "new", kNew, "old", kOld, false, "a.txt", "a.txt", "old"},
      {"overwrite always", 1, 0, 1, "new", kOld, "old", kNew, true, "a.txt", "a.txt", "new"},
      {"overwrite never", 1, 1, 0, "new", kNew, "old", kOld, false, "a.txt", "a.txt", "old"},
      {"newer: yes", 1, 2, 1, "new", kNew, "old", kOld, true, "a.txt", "a.txt", "new"},
      {"newer: no", 1, 2, 1, "new", kOld, "old", kNew, false, "a.txt", "a.txt", "old"},
      {"newer: equal", 1, 2, 1, "new", kOld, "old", kOld, true, "a.txt", "a.txt", "new"},
      {"older: equal", 1, 3, 1, "new", kOld, "old", kOld, true, "a.txt", "a.txt", "new"},
      {"older: no", 1, 3, 1, "new", kNew, "old", kOld, false, "a.txt", "a.txt", "old"},
      {"larger: yes", 1, 4, 1, "longer", kOld, "old", kOld, true, "a.txt", "a.txt", "longer"},
      {"larger: no", 1, 4, 1, "x", kOld, "old", kOld, false, "a.txt", "a.txt", "old"},
      {"smaller: equal", 1, 5, 1, "new", kOld, "old", kOld, true, "a.txt", "a.txt", "new"},
      {"smaller: no", 1, 5, 1, "longer", kOld, "old", kOld, false, "a.txt", "a.txt", "old"},
      {"overwrite rule 9 holds", 1, 9, 1, "new", kOld, "old", kNew, true, "a.txt", "a.txt", "new"},
      {"alias always", 2, 0, 0, "new", kOld, "old", kOld, true, "a_1.txt", "a.txt a_1.txt", "old"},
      {"alias never", 2, 0, 1, "new", kOld, "old", kOld, false, "a.txt", "a.txt", "old"},
      {"alias time: same", 2, 0, 2, "new", kOld, "old", kOld, false, "a.txt", "a.txt", "old"},
      {"alias time: differs", 2, 0, 2, "new", kNew, "old", kOld, true, "a_1.txt", "a.txt a_1.txt", "old"},
      {"alias size: same", 2, 0, 3, "new", kNew, "old", kOld, false, "a.txt", "a.txt", "old"},
      {"alias size: differs", 2, 0, 3, "x", kOld, "old", kOld, true, "a_1.txt", "a.txt a_1.txt", "old"},
      {"alias either: neither", 2, 0, 4, "new", kOld, "old", kOld, false, "a.txt", "a.txt", "old"},
      {"alias either: size", 2, 0, 4, "x", kOld, "old", kOld, true, "a_1.txt", "a.txt a_1.txt", "old"},
      // Overwrite condition first, the alias as the fall-back.
      {"3: existing newer", 3, 2, 0, "new", kOld, "old", kNew, true, "a_1.txt", "a.txt a_1.txt", "old"},
      {"3: source newer", 3, 2, 0, "new", kNew, "old", kOld, true, "a.txt", "a.txt", "new"},
      {"3: neither", 3, 1, 1, "new", kNew, "old", kOld, false, "a.txt", "a.txt", "old"},
      // Alias condition first, overwriting as the fall-back.
      {"4: same times", 4, 0, 2, "new", kOld, "old", kOld, true, "a.txt", "a.txt", "new"},
      {"4: times differ", 4, 0, 2, "new", kNew, "old", kOld, true, "a_1.txt", "a.txt a_1.txt", "old"},
      {"4: neither", 4, 1, 1, "new", kNew, "old", kOld, false, "a.txt", "a.txt", "old"},
      // No valid policy: the existing file is kept.
      {"same -1", -1, 0, 0, "new", kNew, "old", kOld, false, "a.txt", "a.txt", "old"},
      {"same 5", 5, 0, 0, "new", kNew, "old", kOld, false, "a.txt", "a.txt", "old"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.What);
    TTempTree local;
    local.Add(std::string("src/a.txt=") + c.Source + " dst/a.txt=" + c.Existing);
    TTempTree::SetTime(local / "src/a.txt", c.SourceTime);
    TTempTree::SetTime(local / "dst/a.txt", c.ExistingTime);
    TCopyCn copy;
    copy.Same = c.Same;
    copy.OverWrite = c.OverWrite;
    copy.Alias = c.Alias;
    copy.Delete = 1;
    const bool ok = copy.CopyTarget(local / "src/a.txt", local / "dst/", c.SourceTime, 0,
                                    static_cast<std::int64_t>(std::string(c.Source).size()));
    EXPECT_EQ(ok, c.Ok);
    EXPECT_EQ(copy.ResultName, c.Result);
    EXPECT_EQ(TTempTree::List(local / "dst/"), c.Listing);
    EXPECT_EQ(TTempTree::Content(local / "dst/a.txt"), c.Content);
    if (std::string(c.Result) == "a_1.txt") {
      EXPECT_EQ(TTempTree::Content(local / "dst/a_1.txt"), c.Source);
    }
  }
}

TEST_F(CopyTargetTest, TimesFrom2044OnAreStillLater) {
  // The packed value of such a date has its top bit set.
  Files("new", Dos(2050, 1, 1), "old", kOld);
  cn.Same = 1;
  cn.OverWrite = 2;
  EXPECT_TRUE(Copy("a.txt"));
  EXPECT_EQ(TTempTree::Content(tree / "dst/a.txt"), "new");
  TTempTree::SetTime(tree / "dst/a.txt", Dos(2050, 1, 1));
  TTempTree::SetTime(tree / "src/a.txt", kOld);
  EXPECT_FALSE(Copy("a.txt"));
}

TEST_F(CopyTargetTest, AliasNumbering) {
  tree.Add("dst/report.txt dst/report_1.txt dst/README dst/b_1.txt/");
  EXPECT_EQ(cn.AliasName(tree / "dst/", "report.txt"), "report_2.txt");
  EXPECT_EQ(cn.AliasName(tree / "dst", "README"), "README_1");
  EXPECT_EQ(cn.AliasName(tree / "dst/", "b.txt"), "b_2.txt");  // a folder takes the name too
  EXPECT_EQ(cn.AliasName(tree / "dst/", ".profile"), "_1.profile");
  EXPECT_EQ(cn.AliasName(tree / "dst/", "表.txt"), "表_1.txt");
}

TEST_F(CopyTargetTest, SourceDeletion) {
  struct {
    int Delete;
    bool DestinationReadOnly;
    bool Ok;
    bool SourceStays;
  } const cases[] = {
      {0, false, true, false},
      {1, false, true, true},
      {2, false, true, false},
      {0, true, false, true},  // a failed copy never loses the source
      {2, true, false, true},
      {7, false, true, true},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Delete);
    TTempTree local(std::string("src/a.txt=new dst/a.txt=old") + (c.DestinationReadOnly ? "!" : ""));
    TCopyCn copy;
    copy.Same = 1;
    copy.OverWrite = 0;
    copy.Delete = c.Delete;
    EXPECT_EQ(copy.CopyTarget(local / "src/a.txt", local / "dst/", kOld, 0, 3), c.Ok);
    EXPECT_EQ(TTempTree::Exists(local / "src/a.txt"), c.SourceStays);
    EXPECT_EQ(TTempTree::Content(local / "dst/a.txt"), c.Ok ? "new" : "old");
  }
}

// A move whose source stays is no move: the record fails with its reason,
// and the copy it made stays beside the source.
TEST_F(CopyTargetTest, AMoveOfAReadOnlySourceFailsAndKeepsBothFiles) {
  tree.Add("src/a.txt=data! dst/");
  cn.Delete = 0;
  EXPECT_FALSE(Copy("a.txt"));
  EXPECT_EQ(cn.Failure.Reason, TFailReason::SourceKept);
  EXPECT_TRUE(TTempTree::Exists(tree / "src/a.txt"));
  EXPECT_EQ(TTempTree::Content(tree / "dst/a.txt"), "data");
}

TEST_F(CopyTargetTest, CopyOntoItselfFailsAndKeepsTheFile) {
  tree.Add("src/a.txt=data");
  cn.Same = 1;
  cn.OverWrite = 0;
  cn.Delete = 0;
  EXPECT_FALSE(cn.CopyTarget(tree / "src/a.txt", tree / "src", kOld, 0, 4));
  EXPECT_EQ(TTempTree::Content(tree / "src/a.txt"), "data");
}

TEST_F(CopyTargetTest, CreatesAMissingDestinationFolder) {
  tree.Add("src/a.txt=data");
  EXPECT_TRUE(cn.CopyTarget(tree / "src/a.txt", tree / "new/deeper/", kOld, 0, 4));
  EXPECT_EQ(TTempTree::Content(tree / "new/deeper/a.txt"), "data");
  EXPECT_FALSE(cn.CopyTarget(tree / "src/a.txt", tree / "src/a.txt/x/", kOld, 0, 4));
}

TEST_F(CopyTargetTest, ASourceThatVanishedFails) {
  tree.Add("dst/");
  cn.Delete = 0;
  EXPECT_FALSE(cn.CopyTarget(tree / "src/gone.txt", tree / "dst/", kOld, 0, 4));
  EXPECT_EQ(Dst(), "");
}

TEST_F(CopyTargetTest, FolderTargets) {
  tree.Add("src/sub/ src/sub/in.txt dst/sub/ blocker");
  cn.Delete = 0;
  EXPECT_TRUE(cn.CopyTarget(tree / "src/sub", tree / "dst/new/", kOld, kAttrDirectory, 0));
  EXPECT_EQ(cn.ResultName, "sub");
  EXPECT_EQ(TTempTree::List(tree / "dst/new/sub/"), "");
  EXPECT_TRUE(cn.CopyTarget(tree / "src/sub", tree / "dst/", kOld, kAttrDirectory, 0));
  EXPECT_FALSE(cn.CopyTarget(tree / "src/sub", tree / "blocker/", kOld, kAttrDirectory, 0));
  EXPECT_TRUE(TTempTree::Exists(tree / "src/sub/in.txt"));  // never deleted here
}

// A dangling link in the destination is an existing entry that cannot be
// opened: only the conditions that need its size try to open it.
TEST_F(CopyTargetTest, AnExistingFileWhoseSizeCannotBeReadEndsTheRun) {
  tree.Add("src/a.txt=data dst/");
  ASSERT_EQ(symlink("nowhere", (tree / "dst/a.txt").c_str()), 0);
  cn.Same = 1;
  for (const int rule : {4, 5}) {
    cn.OverWrite = rule;
    EXPECT_THROW(Copy("a.txt"), EInOutError) << rule;
  }
  cn.Same = 2;
  for (const int rule : {3, 4}) {
    cn.Alias = rule;
    EXPECT_THROW(Copy("a.txt"), EInOutError) << rule;
  }
  cn.Alias = 2;
  EXPECT_NO_THROW(Copy("a.txt"));
  EXPECT_TRUE(TTempTree::Exists(tree / "src/a.txt"));
}

TEST_F(CopyTargetTest, AnExistingFolderOfTheNameCountsAsAbsent) {
  tree.Add("src/a.txt dst/a.txt/");
  cn.Same = 0;
  EXPECT_FALSE(Copy("a.txt"));  // not kept by the policy: the copy itself fails
  EXPECT_TRUE(TTempTree::IsFolder(tree / "dst/a.txt"));
}

// A copy that deletes its source is a move: across file systems the copy
// is flushed to the disk first, and when that fails the source stays.
TEST_F(CopyTargetTest, AMoveKeepsItsSourceUnlessTheCopyIsOnTheDisk) {
  for (const int policy : {0, 2}) {
    TTempTree moved("src/ src/a.txt=data dst/");
    cn.Delete = policy;
    korvane::sys::InjectFault("renameat2", EXDEV);  // as between two file systems
    korvane::sys::InjectFault("fsync", EIO);
    EXPECT_FALSE(cn.CopyTarget(moved / "src/a.txt", moved / "dst/", kNew, 0, 4)) << policy;
    korvane::sys::ClearFaults();
    EXPECT_TRUE(TTempTree::Exists(moved / "src/a.txt")) << policy;

    EXPECT_TRUE(cn.CopyTarget(moved / "src/a.txt", moved / "dst/", kNew, 0, 4)) << policy;
    EXPECT_FALSE(TTempTree::Exists(moved / "src/a.txt")) << policy;
    EXPECT_EQ(TTempTree::Content(moved / "dst/a.txt"), "data");
  }
}

}  // namespace

namespace {

// A file the run has written is never overwritten by a later target of the
// same run: the policy's alias where it gives one, else the target fails
// with its own reason and a move keeps its source.  One row per policy;
// the first target wrote dst/x.txt ("first", kOld), the second ("second!",
// kNew) meets it.
TEST(CopyOwnOutputTest, ALaterTargetNeverOverwritesTheRunsOwnFile) {
  struct {
    const char *What;
    int Same, OverWrite, Alias;
    bool Ok;
    const char *Result;
    const char *Listing;
    TFailReason Reason;
  } const cases[] = {
      {"overwrite always", 1, 0, 1, false, "x.txt", "x.txt", TFailReason::OwnOutput},
      {"keep", 0, 0, 0, false, "x.txt", "x.txt", TFailReason::OwnOutput},
      {"alias always", 2, 0, 0, true, "x_1.txt", "x.txt x_1.txt", TFailReason::None},
      {"overwrite, else alias", 3, 0, 0, true, "x_1.txt", "x.txt x_1.txt", TFailReason::None},
      {"overwrite, else alias by size", 3, 0, 3, true, "x_1.txt", "x.txt x_1.txt", TFailReason::None},
      {"alias by time, else overwrite", 4, 0, 2, true, "x_1.txt", "x.txt x_1.txt", TFailReason::None},
      {"alias by size (same), else overwrite", 4, 0, 3, false, "x.txt", "x.txt", TFailReason::OwnOutput},
      {"overwrite, else never", 3, 0, 1, false, "x.txt", "x.txt", TFailReason::OwnOutput},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.What);
    for (const int policy : {1, 2}) {
      TTempTree tree("a/x.txt=first b/x.txt=second! dst/ old/x.txt=before");
      TTempTree::SetReadOnly(tree / "b/x.txt", false);
      TOwnOutput output;
      TCopyCn copy;
      copy.Output = &output;
      copy.Same = c.Same;
      copy.OverWrite = c.OverWrite;
      copy.Alias = c.Alias;
      copy.Delete = policy;
      // The same size for the size rules' "same" rows: "second!" is longer.
      const std::int64_t secondSize = std::string_view(c.What).find("(same)") != std::string_view::npos ? 5 : 7;
      ASSERT_TRUE(copy.CopyTarget(tree / "a/x.txt", tree / "dst/", kOld, 0, 5));
      EXPECT_EQ(copy.CopyTarget(tree / "b/x.txt", tree / "dst/", kNew, 0, secondSize), c.Ok);
      EXPECT_EQ(copy.ResultName, c.Result);
      EXPECT_EQ(copy.Failure.Reason, c.Reason);
      EXPECT_EQ(TTempTree::List(tree / "dst/"), c.Listing);
      EXPECT_EQ(TTempTree::Content(tree / "dst/x.txt"), "first");
      EXPECT_EQ(TTempTree::Exists(tree / "b/x.txt"), policy == 1 || !c.Ok) << "a source lost";
    }
  }
}

// The run's own files are known by identity whenever they are asked for,
// those added after an earlier question too; one gone since is no longer.
TEST(CopyOwnOutputTest, OwnFilesAreKnownByIdentityAddedBeforeOrAfterAQuestion) {
  TTempTree tree("out/a.txt out/b.txt out/c.txt out/gone.txt other.txt");
  const auto id = [&](const char *name) { return GetEntryId(tree / name).value(); };
  TOwnOutput output;
  output.Add(tree / "out/a.txt");
  output.Add(tree / "out/gone.txt");
  const TFileId gone = id("out/gone.txt");
  ASSERT_EQ(std::remove((tree / "out/gone.txt").c_str()), 0);
  output.Add(tree / "out/b.txt");
  EXPECT_TRUE(output.Holds(id("out/b.txt")));
  EXPECT_FALSE(output.Holds(id("other.txt")));
  EXPECT_FALSE(output.Holds(id("out/c.txt")));
  output.Add(tree / "out/c.txt");
  EXPECT_TRUE(output.Holds(id("out/c.txt")));
  EXPECT_TRUE(output.Holds(id("out/a.txt")));
  EXPECT_FALSE(output.Holds(gone));
}

// What the run did not write is overwritten as the policy says; outside a
// run (no output kept) the policy alone decides.
TEST(CopyOwnOutputTest, FilesTheRunDidNotWriteFollowThePolicy) {
  TTempTree tree("a/x.txt=new b/x.txt=newer dst/x.txt=old");
  TOwnOutput output;
  TCopyCn copy;
  copy.Output = &output;
  copy.Same = 1;
  copy.OverWrite = 0;
  EXPECT_TRUE(copy.CopyTarget(tree / "a/x.txt", tree / "dst/", kOld, 0, 3));
  EXPECT_EQ(TTempTree::Content(tree / "dst/x.txt"), "new");
  copy.Output = nullptr;
  EXPECT_TRUE(copy.CopyTarget(tree / "b/x.txt", tree / "dst/", kOld, 0, 5));
  EXPECT_EQ(TTempTree::Content(tree / "dst/x.txt"), "newer");
}

struct stat Lstat(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(lstat(Cp932ToUtf8(path).value().c_str(), &st), 0) << path;
  return st;
}

// On one file system a move is a rename: the moved file is the source file
// itself, under every same-name outcome.
TEST(CopyMoveTest, AMoveOnOneFileSystemIsARename) {
  const struct {
    const char *What;
    int Same;
    const char *Result;
  } cases[] = {{"free", 0, "a.txt"}, {"overwrite", 1, "b.txt"}, {"alias", 2, "b_1.txt"}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.What);
    TTempTree tree("src/a.txt=data src/b.txt=data dst/b.txt=old");
    const std::string name = c.Same == 0 ? "a.txt" : "b.txt";
    const ino_t inode = Lstat(tree / ("src/" + name)).st_ino;
    TCopyCn copy;
    copy.Same = c.Same;
    copy.OverWrite = 0;
    copy.Alias = 0;
    copy.Delete = 0;
    ASSERT_TRUE(copy.CopyTarget(tree / ("src/" + name), tree / "dst/", kOld, 0, 4));
    EXPECT_EQ(copy.ResultName, c.Result);
    EXPECT_EQ(Lstat(tree / ("dst/" + copy.ResultName)).st_ino, inode);
    EXPECT_FALSE(TTempTree::Exists(tree / ("src/" + name)));
  }
}

// Across file systems: a source changed during its copy, or one with an
// attribute the destination cannot hold, stays, and the record says why.
TEST(CopyMoveTest, AMoveAcrossFileSystemsKeepsASourceItCannotCarryWhole) {
  const struct {
    const char *What;
    std::function<void(const std::string &source)> Arm;
    TFailReason Reason;
    bool CopyStays;
  } cases[] = {
      {"appended to",
       [](const std::string &source) {
         korvane::sys::OnCall("fsync", [source] { TTempTree::SetContent(source, "data and more"); });
       },
       TFailReason::SourceChanged, true},
      {"an attribute not held",
       [](const std::string &) { korvane::sys::InjectFault("attr_copy_fd", kErrorAttributeNotHeld); },
       TFailReason::AttributeNotHeld, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.What);
    TTempTree tree("src/a.txt=data dst/");
    TOwnOutput output;
    TCopyCn copy;
    copy.Output = &output;
    copy.Delete = 2;
    korvane::sys::InjectFault("renameat2", EXDEV);
    c.Arm(tree / "src/a.txt");
    EXPECT_FALSE(copy.CopyTarget(tree / "src/a.txt", tree / "dst/", kOld, 0, 4));
    korvane::sys::ClearFaults();
    EXPECT_EQ(copy.Failure.Reason, c.Reason);
    EXPECT_TRUE(TTempTree::Exists(tree / "src/a.txt"));
    EXPECT_EQ(TTempTree::Exists(tree / "dst/a.txt"), c.CopyStays);
    if (c.CopyStays) {
      // The copy is the run's own: the changed source, tried again by a
      // later target, does not replace it.
      copy.Same = 1;
      copy.OverWrite = 0;
      EXPECT_FALSE(copy.CopyTarget(tree / "src/a.txt", tree / "dst/", kOld, 0, 13));
      EXPECT_EQ(copy.Failure.Reason, TFailReason::OwnOutput);
    }
  }
}

// A link to a folder is copied as the link, never as an empty folder, and
// a move takes the link away from the source.
TEST(CopyMoveTest, ALinkToAFolderIsCopiedAndMovedAsALink) {
  TTempTree tree("src/d/ src/d/in.txt dst/ moved/");
  ASSERT_EQ(symlink("d", Cp932ToUtf8(tree / "src/link").value().c_str()), 0);
  TCopyCn copy;
  copy.Delete = 1;
  EXPECT_TRUE(copy.CopyTarget(tree / "src/link", tree / "dst/", kOld, kAttrDirectory, 0));
  EXPECT_TRUE(S_ISLNK(Lstat(tree / "dst/link").st_mode));
  copy.Delete = 0;
  EXPECT_TRUE(copy.CopyTarget(tree / "src/link", tree / "moved/", kOld, kAttrDirectory, 0));
  EXPECT_TRUE(S_ISLNK(Lstat(tree / "moved/link").st_mode));
  EXPECT_FALSE(TTempTree::Exists(tree / "src/link"));
  EXPECT_TRUE(TTempTree::Exists(tree / "src/d/in.txt"));
}

// The folders a copy makes on its way are told, outermost first; a folder
// target itself is not among them.
TEST(CopyMoveTest, TheFoldersACopyMakesAreTold) {
  TTempTree tree("src/a.txt src/sub/ dst/");
  TCopyCn copy;
  copy.Same = 1;
  copy.OverWrite = 0;
  ASSERT_TRUE(copy.CopyTarget(tree / "src/a.txt", tree / "dst/x/y/", kOld, 0, 5));
  EXPECT_EQ(copy.MadeFolders, (std::vector<std::string>{tree / "dst/x", tree / "dst/x/y"}));
  ASSERT_TRUE(copy.CopyTarget(tree / "src/a.txt", tree / "dst/x/y/", kOld, 0, 5));
  EXPECT_TRUE(copy.MadeFolders.empty());
  ASSERT_TRUE(copy.CopyTarget(tree / "src/sub", tree / "dst/p/", kOld, kAttrDirectory, 0));
  EXPECT_EQ(copy.MadeFolders, (std::vector<std::string>{tree / "dst/p"}));
  EXPECT_TRUE(TTempTree::IsFolder(tree / "dst/p/sub"));
}

}  // namespace
