// RenameTarget on real folders: in place, as a copy, folders, collisions and
// names that must not be used.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "TempTree.h"
#include "ops/UnitFileCn.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"

namespace {

const DosDateTime kTime = Dos(2024, 5, 17, 13, 45, 8);

class RenameTargetTest : public ::testing::Test {
protected:
  RenameTargetTest() {
    const int order[] = {kStepReplace, kStepSequence, kStepCase,
                         kStepDate,    kStepExtension, kStepFolder};
    for (int p = 0; p < kRenameStepCount; ++p) cn.SetStepOrder(p, order[p]);
    cn.SeqDeg = 4;
    cn.SeqAdd = 1;
    cn.SeqName = true;
    cn.SeqCounter = 1;
  }
  // Switches one step on.
  void Only(int step) { cn.SetStepEnabled(step, true); }
  bool Rename(const std::string &name, std::uint32_t attributes = 0) {
    return cn.RenameTarget(tree.Root(), name, tree.Root(), kTime, attributes);
  }

  TTempTree tree;
  TRenameCn cn;
};

TEST_F(RenameTargetTest, NoStepEnabledIsAFailureThatTouchesNothing) {
  tree.Add("a.txt");
  EXPECT_FALSE(Rename("a.txt"));
  EXPECT_EQ(cn.ResultName, "a.txt");
  EXPECT_EQ(TTempTree::List(tree.Root()), "a.txt");
}

TEST_F(RenameTargetTest, RenamesInPlaceAndCarriesOutCaseOnlyChanges) {
  tree.Add("A.TXT=x Photo.JPG");
  Only(kStepCase);
  EXPECT_TRUE(Rename("A.TXT"));
  EXPECT_EQ(cn.ResultName, "a.txt");
  EXPECT_TRUE(Rename("Photo.JPG"));
  EXPECT_EQ(TTempTree::List(tree.Root()), "a.txt photo.jpg");
  EXPECT_EQ(TTempTree::Content(tree / "a.txt"), "x");
}

TEST_F(RenameTargetTest, TwoTargetsMappingToOneNameTheSecondFails) {
  tree.Add("x.jpg=first x.png=second");
  cn.Ext = ".txt";
  Only(kStepExtension);
  EXPECT_TRUE(Rename("x.jpg"));
  EXPECT_FALSE(Rename("x.png"));
  EXPECT_EQ(cn.ResultName, "x.txt");  // set even though it failed
  EXPECT_EQ(TTempTree::Content(tree / "x.txt"), "first");
  EXPECT_EQ(TTempTree::Content(tree / "x.png"), "second");
}

TEST_F(RenameTargetTest, NeverReplacesAnExistingFolderOrFile) {
  tree.Add("a.jpg a.txt/ b.jpg b.txt=keep");
  cn.Ext = ".txt";
  Only(kStepExtension);
  EXPECT_FALSE(Rename("a.jpg"));
  EXPECT_FALSE(Rename("b.jpg"));
  EXPECT_TRUE(TTempTree::IsFolder(tree / "a.txt"));
  EXPECT_EQ(TTempTree::Content(tree / "b.txt"), "keep");
}

TEST_F(RenameTargetTest, FoldersAndReadOnlyFilesAreRenamedInPlace) {
  tree.Add("sub/ sub/in.txt ro.txt!");
  cn.Ext = ".d";
  Only(kStepExtension);
  EXPECT_TRUE(Rename("sub", kAttrDirectory));
  EXPECT_TRUE(TTempTree::Exists(tree / "sub.d/in.txt"));
  EXPECT_TRUE(Rename("ro.txt", kAttrReadOnly));
  EXPECT_TRUE(TTempTree::IsReadOnly(tree / "ro.d"));
}

TEST_F(RenameTargetTest, TheDateStepSeesTheTargetsTime) {
  tree.Add("a.txt");
  cn.DateFormat = "yymmdd";
  cn.DateBefore = "_";
  cn.DateAdd = 1;
  Only(kStepDate);
  EXPECT_TRUE(Rename("a.txt"));
  EXPECT_EQ(cn.ResultName, "a_240517.txt");
}

// A file time outside 1980-2107 (an mtime of 0 is common on Linux) reaches
// RenameTarget as the invalid packed value 0.  Only the date step needs it
// as a date: without that step the rename goes on; with it only this target
// fails, untouched, and nothing is raised that would end the run.
TEST_F(RenameTargetTest, ATimeOnlyTheDateStepCannotUseFailsOnlyWithThatStep) {
  tree.Add("a.txt b.txt c.txt");
  Only(kStepSequence);
  EXPECT_TRUE(cn.RenameTarget(tree.Root(), "a.txt", tree.Root(), 0, 0));
  EXPECT_EQ(cn.ResultName, "a0001.txt");

  cn.DateFormat = "yymmdd";
  cn.DateAdd = 1;
  Only(kStepDate);
  bool ok = true;
  EXPECT_NO_THROW(ok = cn.RenameTarget(tree.Root(), "b.txt", tree.Root(), 0, 0));
  EXPECT_FALSE(ok);
  EXPECT_EQ(cn.ResultName, "b.txt");
  EXPECT_TRUE(TTempTree::Exists(tree / "b.txt"));
  // The next target with a time in range is renamed as usual.
  EXPECT_TRUE(cn.RenameTarget(tree.Root(), "c.txt", tree.Root(), kTime, 0));
  EXPECT_EQ(cn.ResultName, "c0001240517.txt");

  // A date step that an invalid position cuts off never runs.
  cn.SetStepOrder(0, 99);
  EXPECT_FALSE(cn.AppliesStep(kStepDate));
}

// New names that would leave the folder or name no entry at all.
TEST_F(RenameTargetTest, NamesThatAreNoPlainNamesFailAndTouchNothing) {
  tree.Add("sub/ sub/a.txt sub/.a");
  const std::string folder = tree / "sub/";
  Only(kStepSequence);
  cn.SeqAdd = 0;
  cn.SeqBefore = "../";
  EXPECT_FALSE(cn.RenameTarget(folder, "a.txt", folder, kTime, 0));
  EXPECT_EQ(cn.ResultName, "../0001a.txt");

  cn.SetStepEnabled(kStepSequence, false);
  Only(kStepExtension);
  for (const char *ext : {"", ".", "..", "./x"}) {
    cn.Ext = ext;
    EXPECT_FALSE(cn.RenameTarget(folder, ".a", folder, kTime, 0)) << ext;
  }
  EXPECT_EQ(TTempTree::List(tree.Root()), "sub");
  EXPECT_EQ(TTempTree::List(folder), ".a a.txt");
}

TEST_F(RenameTargetTest, ANameMadeTooLongFails) {
  const std::string name = std::string(251, 'n') + ".txt";  // 255 bytes
  tree.Add(name);
  Only(kStepSequence);
  EXPECT_FALSE(Rename(name));
  EXPECT_EQ(cn.ResultName.size(), 259u);
  EXPECT_TRUE(TTempTree::Exists(tree / name));
}

TEST_F(RenameTargetTest, ATargetThatVanishedFails) {
  Only(kStepSequence);
  EXPECT_FALSE(Rename("gone.txt"));
  cn.MakeCopy = true;
  EXPECT_FALSE(Rename("gone.txt"));
}

TEST_F(RenameTargetTest, CopiesUnderTheNewNameIntoANewFolder) {
  tree.Add("a.txt=data");
  Only(kStepSequence);
  cn.MakeCopy = true;
  const std::string dest = tree / "out/deep/";
  EXPECT_TRUE(cn.RenameTarget(tree.Root(), "a.txt", dest, kTime, 0));
  EXPECT_EQ(TTempTree::Content(dest + "a0001.txt"), "data");
  EXPECT_TRUE(TTempTree::Exists(tree / "a.txt"));

  // A second copy meets the first and does not replace it.
  TTempTree::SetContent(tree / "a.txt", "changed");
  EXPECT_FALSE(cn.RenameTarget(tree.Root(), "a.txt", dest, kTime, 0));
  EXPECT_EQ(TTempTree::Content(dest + "a0001.txt"), "data");
}

// The folders a renamed copy makes on its way are told, for the run to log.
TEST_F(RenameTargetTest, ACopyTellsTheFoldersItMade) {
  tree.Add("a.txt b.txt sub/");
  Only(kStepSequence);
  cn.MakeCopy = true;
  EXPECT_TRUE(cn.RenameTarget(tree.Root(), "a.txt", tree / "out/x/", kTime, 0));
  EXPECT_EQ(cn.MadeFolders, (std::vector<std::string>{tree / "out", tree / "out/x"}));
  EXPECT_TRUE(cn.RenameTarget(tree.Root(), "b.txt", tree / "out/x/", kTime, 0));
  EXPECT_TRUE(cn.MadeFolders.empty());
  EXPECT_TRUE(cn.RenameTarget(tree.Root(), "sub", tree / "out/y/", kTime, kAttrDirectory));
  EXPECT_EQ(cn.MadeFolders, (std::vector<std::string>{tree / "out/y"}));
  EXPECT_TRUE(TTempTree::IsFolder(tree / "out/y/sub0001"));
}

// A link to a folder becomes a link under its new name, not a new folder.
TEST_F(RenameTargetTest, ACopyOfALinkToAFolderIsALink) {
  tree.Add("sub/ sub/in.txt out/");
  ASSERT_EQ(symlink("sub", (tree.Root() + "link").c_str()), 0);
  Only(kStepSequence);
  cn.MakeCopy = true;
  EXPECT_TRUE(cn.RenameTarget(tree.Root(), "link", tree / "out/", kTime, kAttrDirectory));
  struct stat st {};
  ASSERT_EQ(lstat((tree.Root() + "out/link0001").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(RenameTargetTest, CopyNeverOverwritesAReadOnlyDestination) {
  tree.Add("a.txt=new out/a0001.txt=old!");
  Only(kStepSequence);
  cn.MakeCopy = true;
  EXPECT_FALSE(cn.RenameTarget(tree.Root(), "a.txt", tree / "out/", kTime, 0));
  EXPECT_EQ(TTempTree::Content(tree / "out/a0001.txt"), "old");
}

TEST_F(RenameTargetTest, CopyOfAFolderTargetCreatesTheFolderOnly) {
  tree.Add("sub/ sub/in.txt");
  Only(kStepSequence);
  cn.MakeCopy = true;
  const std::string dest = tree / "out/";
  EXPECT_TRUE(cn.RenameTarget(tree.Root(), "sub", dest, kTime, kAttrDirectory));
  EXPECT_TRUE(TTempTree::IsFolder(dest + "sub0001"));
  EXPECT_EQ(TTempTree::List(dest + "sub0001"), "");
  // Already there: still a success.
  EXPECT_TRUE(cn.RenameTarget(tree.Root(), "sub", dest, kTime, kAttrDirectory));
}

TEST_F(RenameTargetTest, ADestinationThatCannotBeCreatedFails) {
  tree.Add("a.txt sub/ blocker");
  Only(kStepSequence);
  cn.MakeCopy = true;
  const std::string dest = tree / "blocker/out/";  // below a file
  EXPECT_FALSE(cn.RenameTarget(tree.Root(), "a.txt", dest, kTime, 0));
  // A folder target is a failure too, not a success without a folder.
  EXPECT_FALSE(cn.RenameTarget(tree.Root(), "sub", dest, kTime, kAttrDirectory));
  EXPECT_EQ(TTempTree::List(tree.Root()), "a.txt blocker sub");
}

}  // namespace
