// Runs started from the window on a temporary folder.

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>

#include "WindowFixture.h"

namespace {

class RunTest : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(dir_.isValid());
    for (const char *name : {"a.txt", "b.txt", "c.txt", "d.dat"}) {
      QFile file(dir_.filePath(QString::fromLatin1(name)));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write("x");
    }
    C().ComboBoxFolder->setEditText(dir_.path());
    C().ComboBoxFilter->setEditText(QStringLiteral("*.txt"));
  }
  QString Path(const char *name) const { return dir_.filePath(QString::fromLatin1(name)); }
  bool Exists(const char *name) const { return QFile::exists(Path(name)); }

  QTemporaryDir dir_;
};

}  // namespace

TEST_F(RunTest, RenameRunLogsEveryTargetAndPushesTheHistories) {
  C().CheckBoxCopy->setChecked(false);
  C().ComboBoxCopyFolder->setEditText(QStringLiteral("/nonexistent-copy-folder"));
  C().RadioGroupNameCase->SetItemIndex(1);
  ClickOrderItem(QStringLiteral("大/小文字"));
  C().SpeedButtonRename->click();

  const QStringList log = LogLines();
  ASSERT_EQ(log.size(), 5) << log.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(log.front(), QStringLiteral("開始"));
  EXPECT_EQ(log.back(), QStringLiteral("終了"));
  for (const char *name : {"a", "b", "c"}) {
    const QString line = QStringLiteral("処理: リネーム; 結果: 成功; 処理ファイル: %1.txt; "
                                        "リネーム先ファイル: %2.txt;")
                             .arg(dir_.filePath(QString::fromLatin1(name)),
                                  dir_.filePath(QString::fromLatin1(name).toUpper()));
    EXPECT_TRUE(log.contains(line)) << line.toStdString();
  }
  EXPECT_TRUE(QFile::exists(Path("A.txt")));
  EXPECT_FALSE(Exists("a.txt"));
  EXPECT_TRUE(Exists("d.dat"));

  EXPECT_EQ(C().PageControlExec->currentWidget(), C().TabSheetRestore);
  EXPECT_EQ(C().LabelMessage->text(), QString());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // Typed texts go to the top of their lists; "*.txt" was offered further down.
  EXPECT_EQ(C().ComboBoxFolder->itemText(0), dir_.path());
  EXPECT_EQ(C().ComboBoxFilter->itemText(0), QStringLiteral("*.txt"));
  EXPECT_EQ(C().ComboBoxFilter->count(), 4);
  EXPECT_EQ(C().ComboBoxFilter->currentText(), QStringLiteral("*.txt"));
  // Without "コピーを作る" the copy folder is not used and not remembered.
  EXPECT_EQ(C().ComboBoxCopyFolder->count(), 0);
}

TEST_F(RunTest, ListRunFillsTheListOnly) {
  C().SpeedButtonList->click();
  QStringList listed = BoxLines(C().MemoList);
  listed.sort();
  EXPECT_EQ(listed, (QStringList{Path("a.txt"), Path("b.txt"), Path("c.txt")}));
  EXPECT_TRUE(LogLines().isEmpty());
  EXPECT_EQ(C().ComboBoxFolder->count(), 0);
  EXPECT_EQ(C().PageControlExec->currentWidget(), C().TabSheetRename);
}

TEST_F(RunTest, RefusedRunStartsNothing) {
  C().ComboBoxFilter->setEditText(QString());
  C().SpeedButtonDelete->click();
  EXPECT_TRUE(LogLines().isEmpty());
  EXPECT_FALSE(Panel0().isEmpty());
  EXPECT_TRUE(Exists("a.txt"));
  EXPECT_EQ(C().ComboBoxFolder->count(), 0);
}

TEST_F(RunTest, EscapeDuringARunEndsItWithAborted) {
  C().CheckBoxRecycled->setChecked(false);
  // Delivered by the first event pump of the walk, to whichever control has
  // the focus.
  QCoreApplication::postEvent(C().EditSample,
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  C().SpeedButtonDelete->click();
  const QStringList log = LogLines();
  ASSERT_GE(log.size(), 2);
  EXPECT_EQ(log.front(), QStringLiteral("開始"));
  EXPECT_EQ(log.back(), QStringLiteral("中断"));
  EXPECT_LT(log.size(), 5);
  EXPECT_TRUE(W().RunDriver().AbortRequested());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(RunTest, ClickDuringARunIsIgnored) {
  C().CheckBoxRecycled->setChecked(false);
  bool fired = false;
  QTimer::singleShot(0, &W(), [&] {
    fired = true;
    C().SpeedButtonDelete->click();
  });
  C().SpeedButtonDelete->click();
  EXPECT_TRUE(fired);
  const QStringList log = LogLines();
  EXPECT_EQ(log.count(QStringLiteral("開始")), 1);
  EXPECT_EQ(log.size(), 5) << log.join(QLatin1Char('\n')).toStdString();
  EXPECT_FALSE(Exists("a.txt"));
}

TEST_F(RunTest, ClearEmptiesTheLog) {
  C().CheckBoxRecycled->setChecked(false);
  C().SpeedButtonDelete->click();
  ASSERT_FALSE(LogLines().isEmpty());
  C().SpeedButtonClear->click();
  EXPECT_TRUE(LogLines().isEmpty());
}

// The job the driver reads is the one the controls show, read when asked.
TEST_F(RunTest, JobIsReadFromTheControls) {
  C().CheckBoxSubFolder->setChecked(true);
  C().MaskEditDateFrom->SetText("2003/05/01");
  C().SpinEditSizeTo->setValue(12);
  C().TabControlReplace->setCurrentIndex(1);
  C().ComboBoxFromName->setEditText(QStringLiteral("q"));
  const JobSettings job = W().ReadJob();
  EXPECT_EQ(job.FindFile.Folder, dir_.path().toStdString());
  EXPECT_EQ(job.FindFile.Filter, "*.txt");
  EXPECT_TRUE(job.FindFile.SubFolder);
  EXPECT_EQ(job.FindFile.DateFrom, "2003/05/01");
  EXPECT_EQ(job.FindFile.DateTo, "    /  /  ");
  EXPECT_EQ(job.FindFile.TimeTo, "23:59:59");
  EXPECT_EQ(job.FindFile.SizeTo, 12);
  EXPECT_EQ(job.Change.UpTime, "  :  :  ");
  EXPECT_EQ(job.Rename.FromName[1], "q");
  EXPECT_EQ(job.Copy.Delete, 1);
}

TEST_F(RunTest, FolderPickedFromTheListStaysWhereItIs) {
  C().ComboBoxFolder->addItem(QStringLiteral("/elsewhere"));
  C().ComboBoxFolder->addItem(dir_.path());
  C().ComboBoxFolder->setCurrentIndex(1);
  C().CheckBoxRecycled->setChecked(false);
  C().SpeedButtonDelete->click();
  ASSERT_EQ(LogLines().back(), QStringLiteral("終了"));
  EXPECT_EQ(C().ComboBoxFolder->itemText(0), QStringLiteral("/elsewhere"));
  EXPECT_EQ(C().ComboBoxFolder->itemText(1), dir_.path());
  EXPECT_EQ(C().ComboBoxFolder->count(), 2);
}

TEST_F(RunTest, ClosingDuringARunStopsItFirst) {
  W().show();
  C().CheckBoxRecycled->setChecked(false);
  QTimer::singleShot(0, &W(), [&] { W().close(); });
  C().SpeedButtonDelete->click();
  EXPECT_EQ(LogLines().back(), QStringLiteral("中断"));
  EXPECT_FALSE(W().isVisible());
}
