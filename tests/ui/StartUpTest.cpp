// The window's start: settings, command line, current folder and the first
// refresh, in that order.

#include <QDir>

#include "SessionFixture.h"

namespace {

class StartUpTest : public SessionTest {
protected:
  // A settings file that carries over a job of the last session.
  void CarryOver(const QStringList &jobLines) {
    WriteText(QString::fromStdString(SettingsFile()),
              QStringList{"[Settings]", "Success=1"} + jobLines);
  }
  QString Folder() const { return C().ComboBoxFolder->currentText(); }
  QString Filter() const { return C().ComboBoxFilter->currentText(); }
};

TEST_F(StartUpTest, OneFileArgumentSetsFolderAndFilterAndKeepsTheRestOfTheJob) {
  CarryOver({"[FindFile]", "Folder=/old", "Filter=*.old", "[Rename]", "SeqIndex=5"});
  WriteText(Scratch(QStringLiteral("in/a.Txt")), {"x"});
  StartFresh({Scratch(QStringLiteral("in/a.Txt"))});
  EXPECT_EQ(Folder(), Scratch(QStringLiteral("in/")));
  EXPECT_EQ(Filter(), QStringLiteral("*.Txt"));
  EXPECT_EQ(C().SpinEditSeqIndex->value(), 5);
  EXPECT_EQ(R().SeqStart, 5);
  EXPECT_EQ(R().FolderNameText, "in");
}

// What a file manager runs for "open with": a folder alone.  A first start
// then has a filter and a date format that let a job run at once.
TEST_F(StartUpTest, AFolderAloneOnAFirstStartGivesAJobThatRuns) {
  ASSERT_FALSE(QFile::exists(QString::fromStdString(SettingsFile())));
  WriteText(Scratch(QStringLiteral("photos/a.jpg")), {"x"});
  StartFresh({Scratch(QStringLiteral("photos"))});
  EXPECT_EQ(Folder(), Scratch(QStringLiteral("photos")));
  EXPECT_EQ(Filter(), QStringLiteral("*.*"));
  EXPECT_EQ(C().ComboBoxDateFormat->currentText(), QStringLiteral("yymmdd"));
}

TEST_F(StartUpTest, AFolderAloneKeepsTheCarriedOverFilter) {
  CarryOver({"[FindFile]", "Folder=/old", "Filter=*.old", "[Rename]", "DateFormat="});
  QDir().mkpath(Scratch(QStringLiteral("a")));
  StartFresh({Scratch(QStringLiteral("a"))});
  EXPECT_EQ(Filter(), QStringLiteral("*.old"));
  EXPECT_EQ(C().ComboBoxDateFormat->currentText(), QString()) << "a stored empty format keeps its meaning";
}

TEST_F(StartUpTest, LastArgumentDecidesTheFolder) {
  QDir().mkpath(Scratch(QStringLiteral("a")));
  WriteText(Scratch(QStringLiteral("b/x.c")), {"x"});
  StartFresh({Scratch(QStringLiteral("a")), Scratch(QStringLiteral("b/x.c"))});
  EXPECT_EQ(Folder(), Scratch(QStringLiteral("b/")));
  EXPECT_EQ(Filter(), QStringLiteral("*.c"));

  StartFresh({Scratch(QStringLiteral("b/x.c")), Scratch(QStringLiteral("a"))});
  EXPECT_EQ(Folder(), Scratch(QStringLiteral("a")));
  EXPECT_EQ(Filter(), QStringLiteral("*.c"));
}

TEST_F(StartUpTest, WithoutArgumentsAndSettingsTheCurrentFolderIsTheTarget) {
  ASSERT_FALSE(QFile::exists(QString::fromStdString(SettingsFile())));
  EXPECT_EQ(Folder(), QDir::currentPath());
  EXPECT_EQ(Filter(), QStringLiteral("*.*"));
  for (int i = 0; i < C().CheckListBoxOrder->Count(); ++i) {
    EXPECT_FALSE(C().CheckListBoxOrder->Checked(i)) << i;
  }
  EXPECT_EQ(C().PageControlExec->currentWidget(), C().TabSheetRename);
  EXPECT_EQ(C().PageControlRename->currentWidget(), C().TabSheetRepl);
  EXPECT_FALSE(C().CheckBoxSuccess->isChecked());
  EXPECT_TRUE(errors_.isEmpty());
}

// "korvane ." starts on the current folder by its absolute name: "." as the
// folder would make the folder-name step add "." and would go into the
// history and the carried-over job.
TEST_F(StartUpTest, DotArgumentBecomesTheAbsoluteCurrentFolder) {
  const QString before = QDir::currentPath();
  const QString folder = QDir::cleanPath(Scratch(QStringLiteral("here")));
  QDir().mkpath(folder);
  ASSERT_TRUE(QDir::setCurrent(folder));
  StartFresh({QStringLiteral(".")});
  QDir::setCurrent(before);
  EXPECT_EQ(Folder(), folder);
  EXPECT_EQ(R().FolderNameText, "here");
  W().SetCarryOver(true);
  W().close();
  EXPECT_EQ(Stored("FindFile", "Folder"), Cp(folder));
}

// Arguments that name nothing clear the carried-over folder (the filter
// stays: no file named an extension); the current folder fills the target,
// and the note about the skipped argument outlives the first refresh.
TEST_F(StartUpTest, ArgumentsThatNameNothingClearTheCarriedOverFolderAndSaySo) {
  CarryOver({"[FindFile]", "Folder=/old", "Filter=*.old"});
  StartFresh({QStringLiteral("/no/such/file.txt")});
  EXPECT_EQ(Folder(), QDir::currentPath());
  EXPECT_EQ(Filter(), QStringLiteral("*.old"));
  EXPECT_FALSE(Panel0().isEmpty());
}

// A carried-over pattern that does not compile, with the replace step on:
// the start refreshes three times, but says so once, and the rest of the
// first refresh still gives the copy lists their defaults.
TEST_F(StartUpTest, CarriedOverMalformedPatternIsShownOnceAndTheStartCompletes) {
  CarryOver({"[Rename]", "OrderChecked0=1", "FromName0=a("});
  StartFresh({Scratch(QString())});
  EXPECT_EQ(errors_.size(), 1) << errors_.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(C().ComboBoxFromName->currentText(), QStringLiteral("a("));
  EXPECT_EQ(C().ComboBoxCopyDelete->currentIndex(), 1);
  EXPECT_EQ(C().ComboBoxCopyOverWrite->currentIndex(), 1);
  EXPECT_FALSE(C().StaticTextSeqStyle->text().isEmpty());
}

}  // namespace
