// korvane-batch renames that go through their plan: --names-from, edit,
// --confirm; the steps by name and --in-place; named jobs.  Each renames
// real files through the process and is undone from its log.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "BatchProcess.h"
#include "TempTree.h"
#include "cli/BatchEdit.h"
#include "cli/BatchSteps.h"
#include "core/JobMenu.h"
#include "core/NamedJobs.h"
#include "platform/Cp932.h"

extern char **environ;

namespace {

namespace fs = std::filesystem;

// How the child's standard input is given.
struct TInput {
  std::string Text;       // written to it, then closed (a pipe) or left open (a terminal)
  bool Terminal = false;  // a pseudo-terminal instead of a pipe
};

// Runs `program` (korvane-batch unless named) with extra environment
// entries (NAME=value, replacing the inherited ones) and the input given.
TResult Spawn(const Strings &arguments, const Strings &env = {}, const TInput &input = {},
            const std::string &program = KORVANE_BATCH_PATH) {
  std::map<std::string, std::string> environment;
  for (char **e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    environment[entry.substr(0, entry.find('='))] = entry;
  }
  for (const std::string &entry : env) environment[entry.substr(0, entry.find('='))] = entry;
  Strings entries;
  for (const auto &[name, entry] : environment) entries.push_back(entry);
  std::vector<char *> envp;
  for (std::string &entry : entries) envp.push_back(entry.data());
  envp.push_back(nullptr);
  Strings all = {program};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char *> argv;
  for (std::string &argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);

  int out[2], err[2], in[2] = {-1, -1};
  int inChild = -1, inParent = -1;
  EXPECT_EQ(pipe(out), 0);
  EXPECT_EQ(pipe(err), 0);
  if (input.Terminal) {
    inParent = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(inParent, 0);
    EXPECT_EQ(grantpt(inParent), 0);
    EXPECT_EQ(unlockpt(inParent), 0);
    inChild = open(ptsname(inParent), O_RDWR | O_NOCTTY);
  } else {
    EXPECT_EQ(pipe(in), 0);
    inChild = in[0];
    inParent = in[1];
  }
  const pid_t pid = fork();
  if (pid == 0) {
    if (dup2(inChild, 0) < 0 || dup2(out[1], 1) < 0 || dup2(err[1], 2) < 0) _exit(127);
    for (int fd : {inChild, inParent, out[0], out[1], err[0], err[1]}) close(fd);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(inChild);
  close(out[1]);
  close(err[1]);
  if (!input.Text.empty()) {
    EXPECT_EQ(write(inParent, input.Text.data(), input.Text.size()),
              static_cast<ssize_t>(input.Text.size()));
  }
  if (!input.Terminal) close(inParent);
  TResult result;
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string *sinks[2] = {&result.Out, &result.Err};
  int open = 2;
  while (open > 0 && poll(fds, 2, 60000) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[65536];
      const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (input.Terminal) close(inParent);
  result.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

Strings Listing(const fs::path &root) {
  Strings names;
  for (const auto &entry : fs::recursive_directory_iterator(root))
    names.push_back(fs::relative(entry.path(), root).string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string Name(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "f%04d.txt", i);
  return name;
}

class BatchEditTest : public BatchTest {
protected:
  // A folder of `count` files f0000.txt, ... in "p", and a scratch folder.
  void Files(int count) {
    std::string description = "p/\nscratch/\n";
    for (int i = 0; i < count; ++i) description += "p/" + Name(i) + "\n";
    Tree.Add(description);
  }
  std::string Write(const std::string &name, const std::string &text) {
    std::ofstream(P(name), std::ios::binary) << text;
    return P(name);
  }
  // The numbering in place, as the tests' jobs rename.
  Strings Numbering() { return {"--folder", P("p"), "--steps", "number", "--in-place"}; }
  Strings With(Strings arguments, const Strings &more) {
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
  }
  void ExpectUndoneBack(const Strings &before) {
    const TResult undo = Spawn({"--log", P("scratch/undo.log"), "undo", P("scratch/run.log")});
    EXPECT_EQ(undo.Exit, 0) << undo.Err;
    EXPECT_EQ(Listing(Tree.Native("p")), before);
  }
};

TEST_F(BatchEditTest, NamesFromTenLinesRenameAThousandFilesAndComeBack) {
  Files(1000);
  const Strings before = Listing(Tree.Native("p"));
  std::string list;
  for (int i = 0; i < 10; ++i) list += Name(i * 97) + "\t" + U8(u8"手で付けた名前 ") + std::to_string(i) + ".txt\n";
  const std::string file = Write("scratch/names.tsv", list);
  const TResult run = Spawn(With(Numbering(), {"--names-from", file, "--log", P("scratch/run.log"), "rename"}));
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.OutLines().size(), 1002u);
  const Strings after = Listing(Tree.Native("p"));
  EXPECT_EQ(after.size(), 1000u);
  for (int i = 0; i < 10; ++i)
    EXPECT_TRUE(Tree.Exists("p/" + U8(u8"手で付けた名前 ") + std::to_string(i) + ".txt")) << i;
  EXPECT_TRUE(Tree.Exists("p/f00010002.txt"));  // numbered by the steps
  EXPECT_FALSE(Tree.Exists("p/f00000001.txt"));
  ExpectUndoneBack(before);
}

TEST_F(BatchEditTest, EditWithAnEditorThatChangesThreeLinesRenamesAThousandFilesAndComesBack) {
  Files(1000);
  const Strings before = Listing(Tree.Native("p"));
  const std::string editor = Write("scratch/editor.sh",
                                   "#!/bin/sh\nsed -i -e '5s/.*/five.txt/' -e '500s/.*/five hundred.txt/' "
                                   "-e '1000s/.*/last.txt/' \"$1\"\n");
  chmod(editor.c_str(), 0755);
  const TResult run = Spawn(With(Numbering(), {"--yes", "--log", P("scratch/run.log"), "edit"}),
                          {"EDITOR=" + editor, "VISUAL="});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_TRUE(Tree.Exists("p/five.txt"));
  EXPECT_TRUE(Tree.Exists("p/five hundred.txt"));
  EXPECT_TRUE(Tree.Exists("p/last.txt"));
  EXPECT_FALSE(Tree.Exists("p/f00040005.txt"));
  EXPECT_TRUE(Tree.Exists("p/f00050006.txt"));
  // The changed lines are shown before the run.
  EXPECT_NE(run.Err.find(U8(u8"f00040005.txt → five.txt")), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find(U8(u8"3 行を変更しました")), std::string::npos) << run.Err;
  ExpectUndoneBack(before);
}

TEST_F(BatchEditTest, VisualComesBeforeEditorAndTheAnswerOnTheTerminalDecides) {
  Files(3);
  const std::string visual = Write("scratch/visual.sh", "#!/bin/sh\nsed -i '1s/.*/by visual.txt/' \"$1\"\n");
  const std::string editor = Write("scratch/editor.sh", "#!/bin/sh\nsed -i '1s/.*/by editor.txt/' \"$1\"\n");
  chmod(visual.c_str(), 0755);
  chmod(editor.c_str(), 0755);
  const Strings env = {"VISUAL=" + visual, "EDITOR=" + editor};
  const TResult no = Spawn(With(Numbering(), {"edit"}), env, {"n\n", true});
  EXPECT_EQ(no.Exit, 0) << no.Err;
  EXPECT_NE(no.Err.find(U8(u8"何も変更していません")), std::string::npos) << no.Err;
  EXPECT_TRUE(Tree.Exists("p/f0000.txt"));
  const TResult yes = Spawn(With(Numbering(), {"edit"}), env, {"y\n", true});
  EXPECT_EQ(yes.Exit, 0) << yes.Err;
  EXPECT_TRUE(Tree.Exists("p/by visual.txt"));
  EXPECT_TRUE(Tree.Exists("p/f00010002.txt"));
}

// Each case: what the editor does to the file; nothing may be renamed.
struct TEditRefusal {
  const char *Name;
  const char *Editor;  // shell command on "$1"
  const char8_t *Says;
};

class EditRefusals : public BatchEditTest, public ::testing::WithParamInterface<TEditRefusal> {};

TEST_P(EditRefusals, NothingIsRenamed) {
  Files(3);
  const std::string editor = Write("scratch/editor.sh", std::string("#!/bin/sh\n") + GetParam().Editor + "\n");
  chmod(editor.c_str(), 0755);
  const Strings before = Listing(Tree.Native("p"));
  const TResult run = Spawn(With(Numbering(), {"--yes", "edit"}), {"EDITOR=" + editor, "VISUAL="});
  EXPECT_EQ(run.Exit, 2) << run.Err;
  EXPECT_NE(run.Err.find(U8(GetParam().Says)), std::string::npos) << run.Err;
  EXPECT_TRUE(run.Out.empty()) << run.Out;
  EXPECT_EQ(Listing(Tree.Native("p")), before);
}

INSTANTIATE_TEST_SUITE_P(
    Editors, EditRefusals,
    ::testing::Values(
        TEditRefusal{"ExitsWithAnError", "exit 3", u8"終了コード 3"},
        TEditRefusal{"DropsALine", "sed -i 2d \"$1\"", u8"3 行から 2 行に"},
        TEditRefusal{"AddsALine", "echo more >> \"$1\"", u8"3 行から 4 行に"},
        TEditRefusal{"EmptiesALine", "sed -i '2s/.*//' \"$1\"", u8"2 行目が空です"},
        TEditRefusal{"MovesIntoAFolder", "sed -i '3s|^|sub/|' \"$1\"", u8"別のフォルダです"},
        TEditRefusal{"IsKilled", "kill -9 $$", u8"シグナル 9"}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(BatchEditTest, EditWithoutATerminalNeedsYes) {
  Files(2);
  const Strings before = Listing(Tree.Native("p"));
  const TResult run = Spawn(With(Numbering(), {"edit"}), {"EDITOR=true", "VISUAL="});
  EXPECT_EQ(run.Exit, 2);
  EXPECT_NE(run.Err.find("--yes"), std::string::npos) << run.Err;
  EXPECT_EQ(Listing(Tree.Native("p")), before);
}

TEST_F(BatchEditTest, AnEditedNameThatCollidesFailsAsInAPlan) {
  Files(3);
  // The first file takes the name the second one's steps give it.
  const std::string editor = Write("scratch/editor.sh", "#!/bin/sh\nsed -i '1s/.*/f00010002.txt/' \"$1\"\n");
  chmod(editor.c_str(), 0755);
  const TResult run = Spawn(With(Numbering(), {"--yes", "edit"}), {"EDITOR=" + editor, "VISUAL="});
  EXPECT_EQ(run.Exit, 1) << run.Err;
  EXPECT_NE(run.Err.find(U8(u8"失敗の予測は 1 件")), std::string::npos) << run.Err;
  EXPECT_TRUE(Tree.Exists("p/f00010002.txt"));
  EXPECT_TRUE(Tree.Exists("p/f0001.txt"));
  EXPECT_TRUE(Tree.Exists("p/f00020003.txt"));
}

// Each case: a names list; the run is refused with a message naming the
// line, and nothing is renamed.
struct TListRefusal {
  const char *Name;
  const char8_t *List;
  const char8_t *Says;
};

class NamesFromRefusals : public BatchEditTest, public ::testing::WithParamInterface<TListRefusal> {};

TEST_P(NamesFromRefusals, NameTheLineAndRunNothing) {
  Files(3);
  const Strings before = Listing(Tree.Native("p"));
  const std::string file = Write("scratch/names.tsv", U8(GetParam().List));
  const TResult run = Spawn(With(Numbering(), {"--names-from", file, "rename"}));
  EXPECT_EQ(run.Exit, 2) << run.Err;
  EXPECT_NE(run.Err.find(U8(GetParam().Says)), std::string::npos) << run.Err;
  EXPECT_TRUE(run.Out.empty()) << run.Out;
  EXPECT_EQ(Listing(Tree.Native("p")), before);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, NamesFromRefusals,
    ::testing::Values(
        TListRefusal{"NotATarget", u8"f0000.txt\ta\nnothing.txt\tb\n", u8"2 行目: 「nothing.txt」はこのジョブの対象ではありません"},
        TListRefusal{"NoTab", u8"f0000.txt a\n", u8"1 行目: タブ"},
        TListRefusal{"NoNewName", u8"\n\nf0000.txt\t\n", u8"3 行目: 新しい名前が空です"},
        TListRefusal{"Twice", u8"f0000.txt\ta\nf0001.txt\tb\nf0000.txt\tc\n", u8"3 行目: 「f0000.txt」は 1 行目にもあります"},
        TListRefusal{"IntoAFolder", u8"f0002.txt\tsub/x.txt\n", u8"1 行目: 「sub/x.txt」は別のフォルダです"}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(BatchEditTest, NamesFromStandardInputWithCrLfRawBytesAndRelativePaths) {
  Tree.Add("p/sub/a.txt\np/sub/b.txt\np/c.txt\nscratch/");
  std::ofstream(Tree.Native("p/sub") / "\xff\xfe.txt") << "x";  // a name that is not UTF-8
  const std::string list = std::string("sub/a.txt\tsub/A.txt\r\n") + "sub/\xff\xfe.txt\t\xfe\xff.txt\r\n" + "c.txt\tC.txt\r\n";
  const TResult run = Spawn({"--folder", P("p"), "--set", "FindFile.SubFolder=1", "--steps", "case",
                           "--set", "Rename.NameCase=2", "--in-place", "--names-from", "-", "rename"},
                          {}, {list, false});
  // b.txt keeps its name, unrecorded: the list renames the files it names.
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(run.OutLines().size(), 5u) << run.Out;
  EXPECT_NE(run.Err.find(U8(u8"名前の変わらない 1 件はそのままにします")), std::string::npos) << run.Err;
  EXPECT_TRUE(fs::exists(Tree.Native("p/sub/A.txt")));
  EXPECT_TRUE(fs::exists(Tree.Native("p/sub") / "\xfe\xff.txt"));
  EXPECT_TRUE(fs::exists(Tree.Native("p/C.txt")));
  EXPECT_TRUE(fs::exists(Tree.Native("p/sub/b.txt")));
}

TEST_F(BatchEditTest, ADryRunShowsTheListsNames) {
  Files(3);
  const std::string file = Write("scratch/names.tsv", "f0001.txt\tf00000001.txt\n");
  const TResult run = Spawn(With(Numbering(), {"--names-from", file, "--dry-run", "rename"}));
  EXPECT_EQ(run.Exit, 1) << run.Err;  // f0000.txt now collides
  const Strings lines = run.OutLines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_NE(lines[2].find("f0001.txt; " + U8(u8"リネーム先ファイル: ") + P("p/f00000001.txt")), std::string::npos)
      << lines[2];
  EXPECT_NE(run.Err.find(U8(u8"2 件予定, 1 件失敗")), std::string::npos) << run.Err;
  EXPECT_TRUE(Tree.Exists("p/f0000.txt"));
}

TEST_F(BatchEditTest, StepsNumberInPlaceNumbersInDateOrder) {
  Tree.Add("photos/a.jpg\nphotos/b.jpg\nphotos/c.jpg\nphotos/d.jpg");
  // Taken in the order c, a, d, b.
  Tree.SetTime("photos/c.jpg", 2021, 1, 1, 9, 0, 0);
  Tree.SetTime("photos/a.jpg", 2021, 1, 2, 9, 0, 0);
  Tree.SetTime("photos/d.jpg", 2021, 1, 3, 9, 0, 0);
  Tree.SetTime("photos/b.jpg", 2021, 1, 4, 9, 0, 0);
  const TResult run =
      Spawn({"--folder", P("photos"), "--steps", "number", "--in-place", "--set", "Rename.SeqSort=2", "rename"});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(Listing(Tree.Native("photos")), (Strings{"a0002.jpg", "b0004.jpg", "c0001.jpg", "d0003.jpg"}));
}

TEST_F(BatchEditTest, StepsGiveTheOrderAndPrintSettingsShowsIt) {
  const TResult run = Spawn({"--set", "Rename.OrderChecked4=1", "--steps", U8(u8" date , 文字列置換,CASE"),
                           "--print-settings"});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  for (const char8_t *line : {u8"OrderItems0=更新日付付加", u8"OrderChecked0=1", u8"OrderItems1=文字列置換",
                              u8"OrderChecked1=1", u8"OrderItems2=大/小文字", u8"OrderChecked2=1",
                              u8"OrderChecked3=0", u8"OrderChecked4=0", u8"OrderChecked5=0", u8"Copy=1"})
    EXPECT_NE(run.Out.find(U8(line)), std::string::npos) << U8(line);
  const TResult inPlace = Spawn({"--in-place", "--print-settings"});
  EXPECT_NE(inPlace.Out.find("Copy=0"), std::string::npos);
}

// Each case: a --steps list and what it makes of a job whose list named
// a step twice and left one out.
struct TStepsCase {
  const char *Name;
  const char8_t *List;
  std::vector<int> Order;  // step numbers at positions 0 to 5
  std::size_t Checked;     // the first so many positions
  const char8_t *Error;
};

class StepsCases : public ::testing::TestWithParam<TStepsCase> {};

TEST_P(StepsCases, KeepTheListAListOfTheSixSteps) {
  const TStepsCase &c = GetParam();
  JobSettings job;
  // A hand-written list: 連番 twice, フォルダ名付加 missing, all checked.
  job.Rename.OrderItems = {std::string(kStepCaptions[1]), std::string(kStepCaptions[0]),
                           std::string(kStepCaptions[1]), std::string(kStepCaptions[2]),
                           std::string(kStepCaptions[3]), std::string(kStepCaptions[4])};
  job.Rename.OrderChecked.fill(true);
  std::string error;
  const std::vector<int> steps = ParseSteps(*Utf8ToCp932(U8(c.List)), error);
  if (c.Error != nullptr) {
    EXPECT_NE(error.find(U8(c.Error)), std::string::npos) << error;
    return;
  }
  ASSERT_TRUE(error.empty()) << error;
  CheckSteps(job.Rename, steps);
  for (std::size_t i = 0; i < kStepCount; ++i) {
    EXPECT_EQ(job.Rename.OrderItems[i], kStepCaptions[static_cast<std::size_t>(c.Order[i])]) << i;
    EXPECT_EQ(job.Rename.OrderChecked[i], i < c.Checked) << i;
  }
  EXPECT_FALSE(CheckOrderList(job.Rename).Any());
}

INSTANTIATE_TEST_SUITE_P(
    Lists, StepsCases,
    ::testing::Values(TStepsCase{"One", u8"number", {1, 0, 2, 3, 4, 5}, 1, nullptr},
                      TStepsCase{"InTheirOrder", u8"folder,replace", {5, 0, 1, 2, 3, 4}, 2, nullptr},
                      TStepsCase{"JapaneseAndCase", u8"拡張子, Date", {4, 3, 1, 0, 2, 5}, 2, nullptr},
                      TStepsCase{"All", u8"ext,folder,date,case,number,replace", {4, 5, 3, 2, 1, 0}, 6, nullptr},
                      TStepsCase{"Unknown", u8"number,rename", {}, 0, u8"「rename」は手順の名前ではありません"},
                      TStepsCase{"Twice", u8"number,連番", {}, 0, u8"手順「連番」が二度"},
                      TStepsCase{"Empty", u8" , ", {}, 0, u8"手順が指定されていません"}),
    [](const auto &info) { return std::string(info.param.Name); });

// korvane-batch installed: a link to it in bin/ beside share/applications,
// so its jobs are those of $XDG_CONFIG_HOME.
class NamedJobsTest : public BatchEditTest {
protected:
  void SetUp() override {
    Tree.Add("inst/bin/\ninst/share/applications/org.korvane.Korvane.desktop\nconfig/korvane/jobs/\nscratch/");
    Program = Tree.Native("inst/bin/korvane-batch").string();
    std::error_code error;
    fs::create_hard_link(KORVANE_BATCH_PATH, Program, error);
    if (error) fs::copy_file(KORVANE_BATCH_PATH, Program);
    Env = {"XDG_CONFIG_HOME=" + P("config")};
  }
  TResult Batch(const Strings &arguments, const TInput &input = {}) {
    return Spawn(arguments, Env, input, Program);
  }
  std::string Program;
  Strings Env;
};

TEST_F(NamedJobsTest, AJobIsLoadedByNameAndListed) {
  Tree.Add("photos/b.jpg\nphotos/a.jpg");
  Tree.SetTime("photos/b.jpg", 2021, 1, 1, 9, 0, 0);
  Tree.SetTime("photos/a.jpg", 2021, 1, 2, 9, 0, 0);
  EXPECT_EQ(Batch({"--list-jobs"}).Out, "");
  const TResult saved = Batch({"--steps", "number", "--in-place", "--set", "Rename.SeqSort=2", "--print-settings"});
  ASSERT_EQ(saved.Exit, 0);
  std::ofstream(Tree.Native("config/korvane/jobs") / U8(u8"写真 日付順.INI")) << saved.Out;
  std::ofstream(Tree.Native("config/korvane/jobs/downloads.ini")) << "[Delete]\nRecycled=1\n";
  Tree.Add("config/korvane/jobs/notes.txt\nconfig/korvane/jobs/folder.INI/");
  const TResult listed = Batch({"--list-jobs"});
  EXPECT_EQ(listed.Exit, 0);
  EXPECT_EQ(listed.Out, "downloads\n" + U8(u8"写真 日付順\n"));

  const TResult run = Batch({"--job", U8(u8"写真 日付順"), "--folder", P("photos"), "rename"});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  EXPECT_EQ(Listing(Tree.Native("photos")), (Strings{"a0002.jpg", "b0001.jpg"}));

  const TResult missing = Batch({"--job", "photos", "--folder", P("photos"), "list"});
  EXPECT_EQ(missing.Exit, 2);
  EXPECT_NE(missing.Err.find(P("config/korvane/jobs/")), std::string::npos) << missing.Err;
  for (const char *bad : {"../x", ".hidden", ""}) {
    const TResult refused = Batch({"--job", bad, "list"});
    EXPECT_EQ(refused.Exit, 2) << bad;
  }
}

TEST_F(NamedJobsTest, ConfirmShowsThePlanAndRunsItOnYes) {
  Tree.Add("photos/b.jpg\nphotos/a.jpg");
  const TResult saved = Batch({"--steps", "number", "--in-place", "--print-settings"});
  std::ofstream(Tree.Native("config/korvane/jobs/photos.INI")) << saved.Out;
  const TResult no = Batch({"--job", "photos", "--folder", P("photos"), "--confirm", "rename"}, {"\n", true});
  EXPECT_EQ(no.Exit, 0) << no.Err;
  EXPECT_NE(no.Out.find(U8(u8"結果: 予定")), std::string::npos) << no.Out;
  EXPECT_EQ(Listing(Tree.Native("photos")), (Strings{"a.jpg", "b.jpg"}));
  const TResult yes = Batch({"--job", "photos", "--folder", P("photos"), "--confirm", "--log",
                             P("scratch/run.log"), "rename"}, {"y\n", true});
  EXPECT_EQ(yes.Exit, 0) << yes.Err;
  EXPECT_NE(yes.Out.find(U8(u8"結果: 成功")), std::string::npos) << yes.Out;
  EXPECT_EQ(Listing(Tree.Native("photos")), (Strings{"a0001.jpg", "b0002.jpg"}));
  const TResult piped = Batch({"--job", "photos", "--folder", P("photos"), "--confirm", "delete"}, {"y\n", false});
  EXPECT_EQ(piped.Exit, 2) << "a question needs a terminal";
}

// A log file an earlier run left among the targets is the one the run
// writes to: the run leaves it out, and so must the plan a run through the
// plan renames from.
TEST_F(BatchEditTest, TheLogFileAmongTheTargetsIsNoTargetOfThePlanEither) {
  const std::string list = "scratch/names.txt";
  const struct {
    const char *Name;
    Strings More;
  } cases[] = {
      {"walk", {"rename"}},
      {"dry run", {"--dry-run", "rename"}},
      {"confirm", {"--confirm", "--yes", "rename"}},
      {"names from", {"--names-from", P(list), "rename"}},
  };
  for (const auto &c : cases) {
    Files(2);
    Write(list, Name(0) + "\tlisted.txt\n");
    Write("p/run.log", "an earlier run's log\r\n");
    const TResult run = Spawn(With(Numbering(), With({"--log", P("p/run.log")}, c.More)));
    EXPECT_EQ(run.Exit, 0) << c.Name << run.Err;
    EXPECT_EQ(run.Out.find("run.log"), std::string::npos) << c.Name << run.Out;
    EXPECT_TRUE(Tree.Exists("p/run.log")) << c.Name;
    if (std::string(c.Name) != "dry run") {
      const TResult undo = Spawn({"undo", P("p/run.log")});
      EXPECT_EQ(undo.Exit, 0) << c.Name << undo.Err;
    }
    EXPECT_EQ(Listing(Tree.Native("p")), (Strings{Name(0), Name(1), "run.log"})) << c.Name;
    std::filesystem::remove_all(Tree.Native("p"));
  }
}

// Renamed copies beside the originals are said before the question, where
// the user can still answer no, and once.
TEST_F(BatchEditTest, RenamedCopiesAreSaidBeforeTheQuestion) {
  Files(2);
  const std::string notice = U8(u8"名前を変えたコピーを作ります");
  const std::string editor = Write("scratch/editor.sh", "#!/bin/sh\nsed -i '1s/.*/first.txt/' \"$1\"\n");
  chmod(editor.c_str(), 0755);
  const Strings copies = {"--folder", P("p"), "--steps", "number"};
  const struct {
    Strings More;
    Strings Env;
    std::string Question;
  } cases[] = {
      {{"--confirm", "rename"}, {}, U8(u8"この計画のとおりに実行しますか?")},
      {{"edit"}, {"EDITOR=" + editor, "VISUAL="}, U8(u8"この名前でリネームしますか?")},
  };
  for (const auto &c : cases) {
    const TResult result = Spawn(With(copies, c.More), c.Env, {"n\n", true});
    EXPECT_EQ(result.Exit, 0) << result.Err;
    const std::size_t said = result.Err.find(notice);
    EXPECT_LT(said, result.Err.find(c.Question)) << result.Err;
    EXPECT_EQ(result.Err.find(notice, said + 1), std::string::npos) << "said once: " << result.Err;
    EXPECT_EQ(Listing(Tree.Native("p")), (Strings{Name(0), Name(1)}));
  }
}

// How a file manager reads the Exec value of a desktop file: the string
// escapes, then the arguments with their quotes.
std::vector<std::string> ReadExec(const std::string &value) {
  std::string line;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      const char next = value[++i];
      line += next == 's' ? ' ' : next == 'n' ? '\n' : next == 't' ? '\t' : next;
    } else {
      line += value[i];
    }
  }
  std::vector<std::string> arguments;
  std::string argument;
  bool inArgument = false, quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '\\' && i + 1 < line.size()) argument += line[++i];
      else if (c == '"') quoted = false;
      else argument += c;
    } else if (c == '"') {
      quoted = inArgument = true;
    } else if (c == ' ') {
      if (inArgument) arguments.push_back(argument);
      argument.clear();
      inArgument = false;
    } else {
      argument += c;
      inArgument = true;
    }
  }
  if (inArgument) arguments.push_back(argument);
  for (std::string &a : arguments) {
    std::string out;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (a[i] == '%' && i + 1 < a.size() && a[i + 1] == '%') ++i;
      out += a[i];
    }
    a = out;
  }
  return arguments;
}

TEST(JobMenuExec, ArgumentsReadBackAsTheyWereGiven) {
  const std::vector<std::string> arguments = {
      "plain", "with blank", "quote\"d", "dollar $HOME", "back\\slash", "tick`s", "50%", "semi;colon",
      "single'quote", "", U8(u8"写真 日付順"), "#hash", "~tilde", "a&b|c<d>e*f?(g)"};
  for (const std::string &argument : arguments)
    EXPECT_EQ(ReadExec(ExecValue({argument})), std::vector<std::string>{argument}) << argument;
  EXPECT_EQ(ReadExec(ExecValue(arguments)), arguments);
}

// The Exec value of an action of a desktop file.
std::string ActionExec(const std::string &text, const std::string &action) {
  const std::size_t group = text.find("[Desktop Action " + action + "]");
  const std::size_t exec = text.find("\nExec=", group);
  if (group == std::string::npos || exec == std::string::npos) return {};
  const std::size_t start = exec + 6;
  return text.substr(start, text.find('\n', start) - start);
}

// The file manager's menu of the jobs: the validator accepts it, and the
// command of a job's entry, as the file manager runs it on a folder, shows
// the plan, asks, and renames.
TEST_F(NamedJobsTest, TheJobMenusEntryRunsTheJobOnTheFolder) {
  Tree.Add(U8(u8"写真/b.jpg\n写真/a.jpg"));
  const TResult saved = Batch({"--steps", "number", "--in-place", "--print-settings"});
  std::ofstream(Tree.Native("config/korvane/jobs") / U8(u8"番号 $付け.INI")) << saved.Out;
  const std::string text = JobMenuText({*Utf8ToCp932(U8(u8"番号 $付け"))}, Program);
  const std::string file = Write("scratch/org.korvane.Korvane-jobs.desktop", text);
  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system(("desktop-file-validate '" + file + "'").c_str()), 0) << text;
  }
  Strings command = ReadExec(ActionExec(text, "job1"));
  ASSERT_GE(command.size(), 3u) << text;
  ASSERT_EQ(command.front(), "sh");
  ASSERT_EQ(command.back(), "%f");
  command.back() = P(U8(u8"写真"));
  const TResult run = Spawn(Strings(command.begin() + 1, command.end()), Env, {"y\n\n", true}, "/bin/sh");
  EXPECT_EQ(run.Exit, 0) << run.Out << run.Err;
  EXPECT_NE(run.Out.find(U8(u8"結果: 予定")), std::string::npos) << run.Out;
  EXPECT_EQ(Listing(Tree.Native(U8(u8"写真"))), (Strings{"a0001.jpg", "b0002.jpg"}));
}

TEST(BatchOptionsEdit, WhatGoesWithWhat) {
  struct TCase {
    Strings Arguments;
    bool Accepted;
  };
  const TCase cases[] = {
      {{"--names-from", "x", "rename"}, true},
      {{"--names-from", "x", "--dry-run", "rename"}, true},
      {{"--names-from", "x", "edit"}, true},
      {{"--names-from", "x", "copy"}, false},
      {{"--names-from", "x", "--dry-run", "copy"}, false},
      {{"--yes", "edit"}, true},
      {{"--yes", "rename"}, false},
      {{"--confirm", "--yes", "delete"}, true},
      {{"--confirm", "list"}, false},
      {{"--confirm", "undo", "x.log"}, false},
      {{"edit", "rename"}, false},
      {{"edit", "edit"}, false},
      {{"--log", "x", "edit"}, true},
      {{"--job", "a", "--settings", "b", "list"}, false},
      {{"--list-jobs"}, true},
      {{"--list-jobs", "list"}, false},
      {{"--in-place", "--steps", "number", "rename"}, true},
  };
  for (const TCase &c : cases) {
    const TBatchParse parse = ParseBatchArguments(c.Arguments);
    std::string joined;
    for (const std::string &a : c.Arguments) joined += a + " ";
    EXPECT_EQ(parse.Options.has_value(), c.Accepted) << joined << parse.Error;
  }
}

TEST(StepThatKeepsNames, OnlyForAJobThatChecksNoStep) {
  JobSettings none;
  StepThatKeepsNames(none.Rename);
  EXPECT_EQ(none.Rename.OrderItems[0], kStepCaptions[2]);
  EXPECT_TRUE(none.Rename.OrderChecked[0]);
  EXPECT_FALSE(none.Rename.OrderChecked[1]);
  EXPECT_EQ(none.Rename.NameCase, 2);  // a new window's lower case would change names
  EXPECT_EQ(none.Rename.ExtCase, 2);
  JobSettings numbering;
  numbering.Rename.OrderChecked[0] = true;
  numbering.Rename.NameCase = 1;
  const JobSettings before = numbering;
  StepThatKeepsNames(numbering.Rename);
  EXPECT_EQ(numbering, before);
}

TEST(NamesLines, NewNameOfALine) {
  struct TCase {
    const char *Line, *Relative;
    std::optional<std::string> Name;
  };
  const TCase cases[] = {
      {"b.txt", "a.txt", "b.txt"},
      {"b.txt", "sub/a.txt", "b.txt"},
      {"sub/b.txt", "sub/a.txt", "b.txt"},
      {"other/b.txt", "sub/a.txt", std::nullopt},
      {"sub/b.txt", "a.txt", std::nullopt},
      {"/b.txt", "a.txt", std::nullopt},
      {"sub/", "sub/a.txt", ""},
  };
  for (const TCase &c : cases) EXPECT_EQ(NewNameOf(c.Line, c.Relative), c.Name) << c.Line;
}

}  // namespace
