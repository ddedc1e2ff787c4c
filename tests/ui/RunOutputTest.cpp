// What a run shows while it is under way: the log gathered and appended on
// the repaint clock, exactly the records the run wrote, the box cleared and
// saved in the middle of a run, and the job read again only after a control
// changed.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

#include "WindowFixture.h"
#include "ui/TStatusPanels.h"

namespace {

// Counts the paint events a widget receives.
class TPaintCounter : public QObject {
public:
  explicit TPaintCounter(QWidget *widget) { widget->installEventFilter(this); }
  int Paints = 0;

protected:
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Paint) ++Paints;
    return false;
  }
};

class RunOutputTest : public WindowTest {
protected:
  // `count` empty files f00001.dat ..., and a numbering rename of them in
  // place (sorted by name, four digits behind the name).
  void SetUpRename(int count) {
    ASSERT_TRUE(dir_.isValid());
    for (int i = 1; i <= count; ++i) {
      QFile file(dir_.filePath(Name(i)));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    C().ComboBoxFolder->setEditText(dir_.path());
    C().ComboBoxFilter->setEditText(QStringLiteral("*.dat"));
    C().CheckBoxCopy->setChecked(false);
    ClickOrderItem(QStringLiteral("連番"));
  }
  static QString Name(int i) { return QStringLiteral("f%1.dat").arg(i, 5, 10, QLatin1Char('0')); }
  // The record of the i-th file, as the run writes it.
  QString Record(int i) const {
    return QStringLiteral("処理: リネーム; 結果: 成功; 処理ファイル: %1/%2; リネーム先ファイル: %1/%3;")
        .arg(dir_.path(), Name(i),
             QStringLiteral("f%1%2.dat").arg(i, 5, 10, QLatin1Char('0')).arg(i, 4, 10, QLatin1Char('0')));
  }
  QStringList Records(int from, int to) const {
    QStringList records;
    for (int i = from; i <= to; ++i) records << Record(i);
    return records;
  }
  // Calls `action` from the run's pumping once `records` records are written.
  void AtRecords(std::size_t records, std::function<void()> action) {
    auto *timer = new QTimer(&W());
    QObject::connect(timer, &QTimer::timeout, &W(), [this, timer, records, action] {
      if (W().RunDriver().Stats().Records < records) return;
      timer->stop();
      action();
    });
    timer->start(0);
  }

  QTemporaryDir dir_;
};

// The box ends with exactly the lines the run wrote, after the lines it held
// before, and shows the end; the log is drawn on the repaint clock, not once
// per record.
TEST_F(RunOutputTest, TenThousandFileRunEndsWithExactlyItsRecords) {
  constexpr int kFiles = 10000;
  SetUpRename(kFiles);
  W().show();
  W().SetLogLines({"earlier line"});
  TPaintCounter paints(C().MemoLog->viewport());
  // Half way, the status bar counts the records so far, with a moving bar
  // (the total is not known without a plan).
  QString progress;
  bool barShown = false;
  AtRecords(kFiles / 2, [&] {
    progress = C().StatusBar1->ProgressText();
    barShown = C().StatusBar1->Progress()->isVisible();
  });
  QElapsedTimer clock;
  clock.start();
  C().SpeedButtonRename->click();
  QCoreApplication::processEvents();
  const qint64 elapsed = clock.elapsed();

  const QStringList expected = QStringList{QStringLiteral("earlier line"), QStringLiteral("開始")} +
                               Records(1, kFiles) + QStringList{QStringLiteral("終了")};
  const QStringList log = LogLines();
  ASSERT_EQ(log.size(), expected.size());
  for (qsizetype i = 0; i < log.size(); ++i) ASSERT_EQ(log[i], expected[i]) << i;
  const QScrollBar *bar = C().MemoLog->verticalScrollBar();
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_LE(paints.Paints, elapsed / 30 + 3) << elapsed << " ms";
  EXPECT_TRUE(progress.endsWith(QStringLiteral(" 件"))) << progress.toStdString();
  EXPECT_TRUE(barShown);
  // At the end, the summary; the progress is gone.
  EXPECT_EQ(Panel0(), QStringLiteral("成功 10000 件、失敗 0 件"));
  EXPECT_FALSE(C().StatusBar1->Progress()->isVisible());
  EXPECT_EQ(C().StatusBar1->ProgressText(), QString());
}

// A run with failures says how many and why, and shows the log page with
// the first failure selected.
TEST_F(RunOutputTest, ARunWithFailuresShowsTheFirstOne) {
  SetUpRename(3);
  {
    QFile taken(dir_.filePath(QStringLiteral("f000020002.dat")));  // where f00002.dat would go
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
  }
  W().show();
  C().PageControlExec->setCurrentWidget(C().TabSheetRename);
  C().SpeedButtonRename->click();
  QCoreApplication::processEvents();
  // The name taken is a target too, and is renamed in its turn.
  EXPECT_EQ(Panel0(), QStringLiteral("成功 3 件、失敗 1 件 (同じ名前が既にあります 1 件)"));
  EXPECT_EQ(C().PageControlExec->currentWidget(), C().TabSheetRestore);
  const QModelIndexList selected = C().MemoLog->selectionModel()->selectedRows();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_TRUE(LogLines()[selected.front().row()].contains(QStringLiteral("f00002.dat")));
  EXPECT_TRUE(LogLines()[selected.front().row()].contains(QStringLiteral("結果: 失敗")));
}

TEST(RunSummaryTest, TheCommonestReasonsFollowTheCounts) {
  TRunStats stats;
  stats.Records = 10;
  stats.FailedRecords = 6;
  for (const char *reason : {"a", "b", "c", "d"}) stats.FailureReasons.emplace_back(reason, 1);
  stats.FailureReasons.front().second = 3;
  EXPECT_EQ(RunSummary(stats), QStringLiteral("成功 4 件、失敗 6 件 (a 3 件、b 1 件、c 1 件、ほか)"));
  stats.FailureReasons.clear();
  stats.FailedRecords = 0;
  EXPECT_EQ(RunSummary(stats), QStringLiteral("成功 10 件、失敗 0 件"));
}

// Clearing empties the log at once, lines not yet shown included; the
// records after the clear follow in the empty log.
TEST_F(RunOutputTest, ClearInTheMiddleOfARunKeepsOnlyTheLaterRecords) {
  constexpr int kFiles = 3000;
  SetUpRename(kFiles);
  W().show();
  std::size_t cleared = 0;
  AtRecords(1000, [&] {
    cleared = W().RunDriver().Stats().Records;
    C().SpeedButtonClear->click();
  });
  C().SpeedButtonRename->click();
  ASSERT_GE(cleared, 1000u);
  EXPECT_EQ(LogLines(), Records(static_cast<int>(cleared) + 1, kFiles) + QStringList{QStringLiteral("終了")});
}

// Saving the log in the middle of a run saves every record written so far.
TEST_F(RunOutputTest, LogReadInTheMiddleOfARunHoldsEveryRecordSoFar) {
  constexpr int kFiles = 3000;
  SetUpRename(kFiles);
  std::size_t written = 0;
  std::vector<std::string> saved;
  AtRecords(1000, [&] {
    written = W().RunDriver().Stats().Records;
    saved = W().GetLogLines();
  });
  C().SpeedButtonRename->click();
  ASSERT_GE(written, 1000u);
  QStringList savedText;
  for (const std::string &line : saved) savedText << Q(line);
  EXPECT_EQ(savedText, QStringList{QStringLiteral("開始")} + Records(1, static_cast<int>(written)));
  EXPECT_EQ(LogLines().size(), kFiles + 2);
}

// A narrowing changed during a run governs the entries tested afterwards,
// although the job is not read again while nothing changes.
TEST_F(RunOutputTest, NarrowingChangedDuringAListRunGovernsTheLaterEntries) {
  ASSERT_TRUE(dir_.isValid());
  for (int i = 1; i <= 5; ++i) {
    QFile file(dir_.filePath(Name(i)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2048, 'x'));
  }
  C().ComboBoxFolder->setEditText(dir_.path());
  C().ComboBoxFilter->setEditText(QStringLiteral("*.dat"));
  // Delivered by the first pump, after the first entry was listed.
  QTimer::singleShot(0, &W(), [this] { C().SpinEditSizeTo->setValue(1); });
  C().SpeedButtonList->click();
  EXPECT_EQ(BoxLines(C().MemoList).size(), 1);
  EXPECT_EQ(W().RunDriver().Stats().Listed, 1u);
}

// The folder a run names waits for the repaint clock; a message written to
// the panel before then is what the panel keeps.
TEST(StatusPanelsTest, LaterTextGivesWayToAnyTextWrittenBeforeItShows) {
  QWidget window;
  window.resize(530, 20);
  TStatusPanels panels(&window);
  panels.SetPanelTextLater(0, QStringLiteral("folder"));
  EXPECT_EQ(panels.PanelText(0), QString());
  panels.ShowDeferred();
  EXPECT_EQ(panels.PanelText(0), QStringLiteral("folder"));

  panels.SetPanelTextLater(0, QStringLiteral("next folder"));
  panels.SetPanelText(0, QStringLiteral("message"));
  panels.ShowDeferred();
  EXPECT_EQ(panels.PanelText(0), QStringLiteral("message"));
}

}  // namespace
