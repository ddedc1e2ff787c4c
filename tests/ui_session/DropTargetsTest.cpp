#include <gtest/gtest.h>

#include "FakeWindow.h"
#include "TempTree.h"
#include "ui/session/DropTargets.h"

namespace {

using Calls = std::vector<std::string>;

// Runs a drop of `paths` at height y on the fake window.
TTargetChoice Drop(TFakeWindow &window, std::vector<std::string> paths, int y = 50) {
  const TTargetChoice choice = ChooseTargets({std::move(paths)}, kMaxDroppedPathBytes);
  ApplyDrop(choice, IsOnCopyFolderPanel(y), window);
  return choice;
}

TEST(PathPartsTest, ExtensionAndFolderPart) {
  struct Case {
    std::string_view Path, Folder, Ext;
  };
  const Case cases[] = {
      {"/a/x.txt", "/a/", ".txt"},
      {"/a/x.tar.gz", "/a/", ".gz"},
      {"/a.d/README", "/a.d/", ""},   // a dot in the folder is no extension
      {"/a/.profile", "/a/", ".profile"},
      {"/a/x.", "/a/", "."},
      {"x.txt", "", ".txt"},
      {"/表/ソ.txt", "/表/", ".txt"},  // 0x5C trail bytes are no delimiters
      {"/", "/", ""},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(FolderPart(c.Path), c.Folder) << c.Path;
    EXPECT_EQ(PathExtension(c.Path), c.Ext) << c.Path;
  }
}

TEST(PathPartsTest, ExtensionJoinsTheFilterUnlessItOccurs) {
  struct Case {
    std::string_view Filter, Ext, Result;
  };
  const Case cases[] = {
      {"", ".txt", "*.txt"},
      {"*.txt", ".TXT", "*.txt"},          // case is ignored
      {"*.cpp", ".c", "*.cpp"},            // a plain substring test
      {"*.htm", ".html", "*.htm;*.html"},
      {"", "", "*"},
      {"*", "", "*;*"},                    // an empty extension never occurs
      {"*.txt", "", "*.txt;*"},
  };
  for (const Case &c : cases) {
    std::string filter(c.Filter);
    AddExtensionToFilter(filter, c.Ext);
    EXPECT_EQ(filter, c.Result) << c.Filter << " + " << c.Ext;
  }
}

TEST(DropTest, SecondExtensionDiffersOnlyInCase) {
  TTempTree tree;
  const std::string x = tree.File("A/x.txt");
  const std::string y = tree.File("B/y.TXT");
  TFakeWindow window;
  Drop(window, {x, y});
  EXPECT_EQ(window.Calls,
            (Calls{"ShowTargetPage", "Folder=" + tree.Path("B/"), "Filter=*.txt"}));
}

TEST(DropTest, FolderOnlyClearsTheFilter) {
  TTempTree tree;
  const std::string folder = tree.Folder("A");
  TFakeWindow window;
  Drop(window, {folder});
  EXPECT_EQ(window.Calls, (Calls{"ShowTargetPage", "Folder=" + folder, "Filter="}));
}

TEST(DropTest, OnThePanelSetsOnlyTheCopyFolder) {
  TTempTree tree;
  const std::string file = tree.File("A/x.txt");
  TFakeWindow window;
  window.Job.FindFile.Folder = "/keep/";
  Drop(window, {file}, 150);
  EXPECT_EQ(window.Calls, (Calls{"CopyFolder=" + tree.Path("A/")}));
  EXPECT_EQ(window.Job.FindFile.Folder, "/keep/");
  EXPECT_EQ(window.Job.FindFile.Filter, "*.*");
}

TEST(DropTest, PanelBandIsStrictlyBetweenItsEdges) {
  for (int y : {-5, 0, 121, 213, 400}) EXPECT_FALSE(IsOnCopyFolderPanel(y)) << y;
  for (int y : {122, 150, 212}) EXPECT_TRUE(IsOnCopyFolderPanel(y)) << y;
  EXPECT_TRUE(IsOnCopyFolderPanel(140, 130, 20));
  EXPECT_FALSE(IsOnCopyFolderPanel(150, 130, 20));
}

TEST(DropTest, FilesWithoutExtensionAddAStarEach) {
  TTempTree tree;
  TFakeWindow window;
  Drop(window, {tree.File("A/README"), tree.File("A/Makefile")});
  EXPECT_EQ(window.Job.FindFile.Filter, "*;*");
}

TEST(DropTest, ShorterExtensionInsideALongerOneAddsNothing) {
  TTempTree tree;
  TFakeWindow window;
  Drop(window, {tree.File("A/m.cpp"), tree.File("A/u.c")});
  EXPECT_EQ(window.Job.FindFile.Filter, "*.cpp");
}

TEST(DropTest, OverlongAndVanishedPathsAreSkippedAndCounted) {
  TTempTree tree;
  const std::string base = tree.Path("");
  // Paths of exactly 255 and of 256 bytes, both existing.
  const std::string longName(255 - base.size() - 1 - 4, 'n');
  const std::string fits = tree.File(longName + ".aaa");
  const std::string tooLong = tree.File(longName + "x.bbb");
  ASSERT_EQ(fits.size(), kMaxDroppedPathBytes);
  ASSERT_EQ(tooLong.size(), kMaxDroppedPathBytes + 1);

  TFakeWindow window;
  const TTargetChoice choice = Drop(window, {fits, tooLong, tree.Path("gone.ccc")});
  EXPECT_EQ(window.Job.FindFile.Filter, "*.aaa");
  EXPECT_EQ(choice.Used, 1u);
  EXPECT_EQ(choice.TooLong, 1u);
  EXPECT_EQ(choice.Missing, 1u);
  EXPECT_EQ(SkippedPathsMessage(choice), "長すぎるパス 1 個、見つからないパス 1 個 を無視しました");
}

TEST(DropTest, DropOfOnlySkippedPathsChangesNothing) {
  TTempTree tree;
  TFakeWindow window;
  const TTargetChoice choice = Drop(window, {tree.Path("gone.txt")});
  EXPECT_TRUE(window.Calls.empty());
  EXPECT_EQ(choice.Skipped(), 1u);
  EXPECT_EQ(SkippedPathsMessage(TTargetChoice{}), "");
}

TEST(CommandLineTest, NoArgumentsChangeNothing) {
  TFakeWindow window;
  EXPECT_FALSE(ApplyCommandLine({}, window).Applied);
  EXPECT_TRUE(window.Calls.empty());
}

TEST(CommandLineTest, ArgumentsNamingNothingClearTheFolderAndKeepTheFilter) {
  TTempTree tree;
  TFakeWindow window;
  window.Job.FindFile.Filter = "*.jpg";
  const TCommandLineResult result = ApplyCommandLine({{tree.Path("nothing")}}, window);
  EXPECT_TRUE(result.Applied);
  EXPECT_EQ(window.Calls, (Calls{"Folder="}));
  EXPECT_EQ(result.Choice.Missing, 1u);
}

// What a file manager's "open with" passes: folders alone.  The filter stays
// as it was, and one left empty becomes *.*, so the job can run at once.
TEST(CommandLineTest, FoldersAloneKeepTheFilterOrGiveEveryFile) {
  struct Case {
    std::string Before, After;
  };
  for (const Case &c : {Case{"*.jpg;*.png", "*.jpg;*.png"}, Case{"", "*.*"}}) {
    TTempTree tree;
    TFakeWindow window;
    window.Job.FindFile.Filter = c.Before;
    const std::string folder = tree.Folder("A");
    ApplyCommandLine({{folder}}, window);
    EXPECT_EQ(window.Job.FindFile.Folder, folder);
    EXPECT_EQ(window.Job.FindFile.Filter, c.After) << c.Before;
  }
}

TEST(CommandLineTest, UnrepresentableArgumentsStillCountAsArguments) {
  TFakeWindow window;
  TPathList arguments;
  arguments.Unrepresentable = 1;
  EXPECT_TRUE(ApplyCommandLine(arguments, window).Applied);
  EXPECT_EQ(window.Calls, (Calls{"Folder="}));
}

TEST(CommandLineTest, LongPathsAreNotLimited) {
  TTempTree tree;
  TFakeWindow window;
  const std::string file = tree.File(std::string(250, 'n') + ".txt");
  ASSERT_GT(file.size(), kMaxDroppedPathBytes);
  ApplyCommandLine({{file}}, window);
  EXPECT_EQ(window.Job.FindFile.Filter, "*.txt");
}

}  // namespace
