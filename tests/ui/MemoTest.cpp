// The memo boxes: lines kept as CP932, one insertion per batch, the end kept
// in view, whole lines selected, copied and (in the list) edited and deleted.

#include <QClipboard>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>

#include "WindowFixture.h"

namespace {

std::vector<std::string> Numbered(int first, int count) {
  std::vector<std::string> lines;
  for (int i = first; i < first + count; ++i) lines.push_back("line " + std::to_string(i));
  return lines;
}

class MemoTest : public ::testing::Test {
protected:
  void SetUp() override {
    window_.resize(300, 200);
    memo_ = new TMemo(TMemo::TMode::Editable, nullptr, &window_);
    log_ = new TMemo(TMemo::TMode::ReadOnly, nullptr, &window_);
    memo_->setGeometry(0, 0, 300, 100);
    log_->setGeometry(0, 100, 300, 100);
    window_.show();
  }
  void Append(TMemo *box, std::vector<std::string> lines) {
    box->AppendLines(lines);
    EXPECT_TRUE(lines.empty());
  }
  void Key(TMemo *box, QKeySequence::StandardKey key) {
    const QKeySequence sequence(key);
    QTest::keyClick(box, sequence[0].key(), sequence[0].keyboardModifiers());
  }

  QWidget window_;
  TMemo *memo_ = nullptr;
  TMemo *log_ = nullptr;
};

TEST_F(MemoTest, AppendedBatchesKeepTheEndInViewOnlyWhenItWas) {
  Append(log_, Numbered(0, 50));
  Append(log_, Numbered(50, 50));
  ASSERT_EQ(log_->Count(), 100);
  EXPECT_EQ(log_->Lines().back(), "line 99");
  EXPECT_EQ(log_->verticalScrollBar()->value(), log_->verticalScrollBar()->maximum());
  EXPECT_GT(log_->verticalScrollBar()->maximum(), 0);

  // Scrolled up by the user: new lines do not pull the view down.
  log_->verticalScrollBar()->setValue(10);
  Append(log_, Numbered(100, 10));
  EXPECT_EQ(log_->verticalScrollBar()->value(), 10);

  // A hidden box does not move either.
  log_->hide();
  log_->scrollToTop();
  Append(log_, Numbered(110, 10));
  EXPECT_EQ(log_->verticalScrollBar()->value(), 0);
  EXPECT_EQ(log_->Count(), 120);
}

TEST_F(MemoTest, SelectedLinesCopyInTheirOrder) {
  Append(log_, {"a", "b", "c", "d"});
  log_->selectionModel()->select(log_->model()->index(3, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
  log_->selectionModel()->select(log_->model()->index(1, 0),
                                 QItemSelectionModel::Select | QItemSelectionModel::Rows);
  EXPECT_EQ(log_->SelectedText(), QStringLiteral("b\nd"));
  Key(log_, QKeySequence::Copy);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("b\nd"));
  Key(log_, QKeySequence::SelectAll);
  Key(log_, QKeySequence::Copy);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("a\nb\nc\nd"));
  EXPECT_EQ(log_->Text(), QStringLiteral("a\nb\nc\nd"));
}

// The log is read-only; the list output takes edits and deletions, in CP932.
TEST_F(MemoTest, OnlyTheListTakesEditsAndDeletions) {
  for (TMemo *box : {log_, memo_}) {
    box->SetLines({"a", "b", "c", "d", "e"});
    const bool editable = box == memo_;
    const QModelIndex second = box->model()->index(1, 0);
    EXPECT_EQ(box->model()->setData(second, QStringLiteral("表"), Qt::EditRole), editable);
    box->selectionModel()->select(box->model()->index(0, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    box->selectionModel()->select(box->model()->index(2, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    box->selectionModel()->select(box->model()->index(3, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    Key(box, QKeySequence::Delete);
    const std::vector<std::string> expected =
        editable ? std::vector<std::string>{ToCp932Lossy(QStringLiteral("表")), "e"}
                 : std::vector<std::string>{"a", "b", "c", "d", "e"};
    EXPECT_EQ(box->Lines(), expected) << editable;
  }
  // A character Shift-JIS lacks is kept through the window's text table and
  // shows as itself again.
  const QString emoji = QString::fromUtf16(u"\U0001F600");
  ASSERT_TRUE(memo_->model()->setData(memo_->model()->index(0, 0), emoji, Qt::EditRole));
  EXPECT_EQ(memo_->model()->data(memo_->model()->index(0, 0), Qt::DisplayRole).toString(), emoji);
}

// The column reaches the widest line shown, so the horizontal scroll bar
// gets to its end; clearing starts again from the box's width.
TEST_F(MemoTest, ColumnIsAsWideAsTheWidestLineShown) {
  Append(log_, {std::string(400, 'W')});
  const int wide = log_->columnWidth(0);
  EXPECT_GE(wide, log_->fontMetrics().horizontalAdvance(QString(400, QLatin1Char('W'))));
  QCoreApplication::processEvents();
  EXPECT_GT(log_->horizontalScrollBar()->maximum(), 0);
  log_->Clear();
  EXPECT_EQ(log_->Count(), 0);
  EXPECT_EQ(log_->columnWidth(0), log_->viewport()->width());
}

}  // namespace
