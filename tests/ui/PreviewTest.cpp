// The preview of every target and the undo of the last run, from the
// window.

#include <QCheckBox>
#include <QLineEdit>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QMenu>
#include <QTimer>

#include "WindowFixture.h"
#include "ui/TPlanTableModel.h"
#include "ui/TPreviewDialog.h"

namespace {

class PreviewTest : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(dir_.isValid());
    Make("a.txt");
    Make("b.txt");
    Make("a0001.txt");  // where a.txt would go
    C().ComboBoxFolder->setEditText(dir_.path());
    C().ComboBoxFilter->setEditText(QStringLiteral("a.txt;b.txt"));
    C().CheckBoxCopy->setChecked(false);
    ClickOrderItem(QStringLiteral("連番"));
  }
  void Make(const QString &name) {
    QFile file(dir_.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
  }
  QStringList Names() const { return QDir(dir_.path()).entryList(QDir::Files, QDir::Name); }
  QString Cell(int row, int column) const {
    const QAbstractItemModel *model = W().Preview()->Table()->model();
    return model->data(model->index(row, column)).toString();
  }
  TBunselMain &W() const { return *window_; }

  // The row of the preview's list whose target is `target` (-1: none shown).
  int RowOf(const QString &target) const {
    const QAbstractItemModel *model = W().Preview()->Table()->model();
    for (int row = 0; row < model->rowCount(); ++row)
      if (Cell(row, TPlanTableModel::kTarget) == target) return row;
    return -1;
  }
  // Gives the target's row a new name as the list's editor does.
  bool Rename(const QString &target, const QString &name) {
    QAbstractItemModel *model = W().Preview()->Table()->model();
    return model->setData(model->index(RowOf(target), TPlanTableModel::kOutcome), name);
  }
  bool Edited(const QString &target) const {
    const QAbstractItemModel *model = W().Preview()->Table()->model();
    return model->data(model->index(RowOf(target), TPlanTableModel::kOutcome), TPlanTableModel::kEditedRole)
        .toBool();
  }
  QString NewName(const QString &target) const { return Cell(RowOf(target), TPlanTableModel::kOutcome); }

  QTemporaryDir dir_;
};

TEST_F(PreviewTest, F5OnTheRenamePageListsEveryTargetWithItsFailures) {
  const QStringList before = Names();
  C().PageControlExec->setCurrentWidget(C().TabSheetRename);
  W().show();
  W().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&W()));
  // A shortcut of the window: the key goes to whatever control has the focus.
  QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &W(), Qt::Key_F5);
  TPreviewDialog *preview = W().Preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_FALSE(preview->Planning());
  EXPECT_EQ(preview->Records(), 2u);
  EXPECT_EQ(preview->Failures(), 1u);
  EXPECT_EQ(preview->Summary(), QStringLiteral("2 件の処理のうち、失敗の予測は 1 件です。"));
  EXPECT_TRUE(preview->Progress()->isHidden());
  EXPECT_TRUE(preview->RunButton()->isEnabled());
  EXPECT_EQ(Names(), before) << "the preview touched the folder";
  EXPECT_TRUE(LogLines().isEmpty());
  // Each row: result, target, new name, reason; paths below the folder are relative.
  QStringList rows;
  for (int row = 0; row < 2; ++row)
    rows << Cell(row, 0) + "|" + Cell(row, 1) + "|" + Cell(row, 2) + "|" + Cell(row, 3);
  rows.sort();
  EXPECT_EQ(rows, (QStringList{QStringLiteral("予定|b.txt|b0002.txt|"),
                               QStringLiteral("失敗|a.txt|a0001.txt|同じ名前が既にあります")}));

  // The run button runs the job: its log says what the preview said.
  preview->RunButton()->click();
  QTRY_COMPARE(LogLines().size(), 4);
  EXPECT_TRUE(Names().contains(QStringLiteral("b0002.txt")));
  EXPECT_TRUE(Names().contains(QStringLiteral("a.txt")));
}

TEST_F(PreviewTest, TheCopyPageHasAPreviewButton) {
  QTemporaryDir copies;
  ASSERT_TRUE(copies.isValid());
  QFile existing(copies.filePath(QStringLiteral("b.txt")));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.close();
  C().ComboBoxCopyFolder->setEditText(copies.path());
  C().PageControlExec->setCurrentWidget(C().TabSheetCopy);
  C().SpeedButtonCopyPreview->click();
  TPreviewDialog *preview = W().Preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->windowTitle(), QStringLiteral("コピーのプレビュー"));
  EXPECT_EQ(preview->Records(), 2u);
  EXPECT_EQ(preview->Failures(), 1u);  // the copy policy keeps b.txt
  EXPECT_FALSE(QFile::exists(copies.filePath(QStringLiteral("a.txt"))));
}

TEST_F(PreviewTest, EscStopsALongPreview) {
  for (int i = 0; i < 300; ++i) Make(QStringLiteral("f%1.dat").arg(i));
  C().ComboBoxFilter->setEditText(QStringLiteral("*.dat"));
  W().show();
  // Esc reaches the preview at the plan's first pump.
  QTimer::singleShot(0, &W(), [this] {
    if (W().Preview() != nullptr) QTest::keyClick(W().Preview(), Qt::Key_Escape);
  });
  W().ShowPreview(RunMode::Rename);
  TPreviewDialog *preview = W().Preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_TRUE(preview->Summary().startsWith(QStringLiteral("中断しました。"))) << preview->Summary().toStdString();
  EXPECT_LT(preview->Records(), 300u);
  EXPECT_FALSE(preview->RunButton()->isEnabled());
  EXPECT_TRUE(preview->isVisible()) << "Esc stopped the plan, not the dialog";
}

TEST_F(PreviewTest, ARefusedJobShowsWhyInTheStatusBar) {
  C().ComboBoxFolder->setEditText(dir_.filePath(QStringLiteral("missing")));
  W().ShowPreview(RunMode::Rename);
  QTRY_VERIFY(W().Preview() == nullptr || !W().Preview()->isVisible());
  EXPECT_EQ(Panel0(), QStringLiteral("対象フォルダが存在しません。"));
}

TEST_F(PreviewTest, UndoShowsItsPlanFirstAndTakesBackTheLastRunOfTheLog) {
  const QStringList before = Names();
  C().SpeedButtonRename->click();
  const QStringList renamed = Names();
  ASSERT_NE(renamed, before);
  const QStringList runLog = LogLines();

  // The plan: one record to be taken back, nothing done, nothing logged.
  C().SpeedButtonUndo->click();
  TPreviewDialog *plan = W().Preview();
  ASSERT_NE(plan, nullptr);
  EXPECT_TRUE(plan->isVisible());
  EXPECT_EQ(plan->Records(), 1u);
  EXPECT_EQ(plan->Failures(), 0u);
  EXPECT_TRUE(plan->RunButton()->isEnabled());
  EXPECT_EQ(Names(), renamed);
  EXPECT_EQ(LogLines(), runLog);

  // Closed: nothing happens.
  plan->close();
  QTRY_VERIFY(W().Preview() == nullptr);
  EXPECT_EQ(Names(), renamed);

  // Its run button takes the run back.
  C().SpeedButtonUndo->click();
  ASSERT_NE(W().Preview(), nullptr);
  W().Preview()->RunButton()->click();
  QTRY_COMPARE(Names(), before);
  const QStringList log = LogLines();
  EXPECT_EQ(log.back(), QStringLiteral("終了"));
  EXPECT_TRUE(log[log.size() - 2].startsWith(QStringLiteral("処理: 元に戻す; 結果: 成功; ")));
  EXPECT_EQ(Panel0(), QStringLiteral("1 件を元に戻しました。"));

  // A second press finds nothing to take back and shows no plan.
  C().SpeedButtonUndo->click();
  QTRY_VERIFY(W().Preview() == nullptr || !W().Preview()->isVisible());
  EXPECT_EQ(Names(), before);
  EXPECT_NE(Panel0().indexOf(QStringLiteral("元に戻す処理はありません")), -1) << Panel0().toStdString();
}

TEST_F(PreviewTest, UndoAllTakesBackEveryRunOfTheLog) {
  const QStringList before = Names();
  C().SpeedButtonRename->click();
  ASSERT_TRUE(Names().contains(QStringLiteral("b0002.txt")));
  C().ComboBoxFilter->setEditText(QStringLiteral("b0002.txt"));
  C().SpeedButtonRename->click();
  ASSERT_TRUE(Names().contains(QStringLiteral("b00020001.txt"))) << Names().join(' ').toStdString();
  QMenu *menu = C().SpeedButtonUndo->menu();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 1);
  EXPECT_EQ(menu->actions().front()->text(), QStringLiteral("すべて元に戻す"));
  menu->actions().front()->trigger();
  ASSERT_NE(W().Preview(), nullptr);
  EXPECT_EQ(W().Preview()->Records(), 2u);
  W().Preview()->RunButton()->click();
  QTRY_COMPARE(Names(), before);
}

TEST_F(PreviewTest, TheNewControlsSitInFreeRoom) {
  W().show();
  C().PageControlExec->setCurrentWidget(C().TabSheetRename);
  C().PageControlRename->setCurrentWidget(C().TabSheetEtc);
  QApplication::processEvents();
  for (QWidget *control : {static_cast<QWidget *>(C().SpeedButtonUndo),
                           static_cast<QWidget *>(C().SpeedButtonCopyPreview),
                           static_cast<QWidget *>(C().CheckBoxResolveChains),
                           static_cast<QWidget *>(C().SpeedButtonJobs),
                           static_cast<QWidget *>(C().SpeedButtonDeletePreview),
                           static_cast<QWidget *>(C().CheckBoxKeepTree)}) {
    QWidget *page = control->parentWidget();
    ASSERT_NE(page, nullptr);
    // Every page of a page control has the size of the one in front; the
    // pages' run buttons reach as low as their page goes (or a pixel or two
    // lower, by the style), and a button beside them no lower.
    QRect room = qobject_cast<QWidget *>(page->parent())->rect();
    for (QToolButton *run : {C().SpeedButtonRename, C().SpeedButtonCopy})
      if (run->parentWidget() == page) room.setBottom(std::max(room.bottom(), run->geometry().bottom()));
    EXPECT_TRUE(room.contains(control->geometry())) << control->toolTip().toStdString();
    for (QObject *child : page->children()) {
      auto *sibling = qobject_cast<QWidget *>(child);
      if (sibling == nullptr || sibling == control || sibling->isWindow()) continue;
      EXPECT_FALSE(sibling->geometry().intersects(control->geometry()))
          << control->toolTip().toStdString() << " overlaps " << sibling->metaObject()->className();
    }
  }
  EXPECT_EQ(C().StaticTextSample->contextMenuPolicy(), Qt::CustomContextMenu);
}

TEST_F(PreviewTest, TheChainsCheckBoxIsPartOfTheJob) {
  EXPECT_FALSE(W().GetJob().Rename.ResolveChains);
  C().CheckBoxResolveChains->setChecked(true);
  EXPECT_TRUE(W().GetJob().Rename.ResolveChains);
  JobSettings job = W().GetJob();
  job.Rename.ResolveChains = false;
  W().SetJob(job);
  EXPECT_FALSE(C().CheckBoxResolveChains->isChecked());
}

TEST_F(PreviewTest, EditedNamesAreCheckedTogetherKeptWhenSortedOrFilteredAndRunAsShown) {
  W().ShowPreview(RunMode::Rename);
  TPreviewDialog *preview = W().Preview();
  ASSERT_NE(preview, nullptr);
  ASSERT_EQ(preview->Failures(), 1u);  // a.txt: a0001.txt is there
  EXPECT_TRUE(preview->Model()->flags(preview->Model()->index(0, TPlanTableModel::kOutcome)) & Qt::ItemIsEditable);
  EXPECT_FALSE(preview->Model()->flags(preview->Model()->index(0, TPlanTableModel::kTarget)) & Qt::ItemIsEditable);

  ASSERT_TRUE(Rename(QStringLiteral("a.txt"), QStringLiteral("z.txt")));
  EXPECT_EQ(preview->Failures(), 0u);
  EXPECT_EQ(preview->Edits(), 1u);
  EXPECT_TRUE(Edited(QStringLiteral("a.txt")));
  EXPECT_FALSE(Edited(QStringLiteral("b.txt")));
  EXPECT_TRUE(preview->Summary().endsWith(QStringLiteral("手で変更した名前は 1 件です。")))
      << preview->Summary().toStdString();
  // b.txt now takes the name a.txt took first; back to its own, it is free.
  ASSERT_TRUE(Rename(QStringLiteral("b.txt"), QStringLiteral("z.txt")));
  EXPECT_EQ(Cell(RowOf(QStringLiteral("b.txt")), TPlanTableModel::kResult), QStringLiteral("失敗"));
  ASSERT_TRUE(Rename(QStringLiteral("b.txt"), QStringLiteral("b0002.txt")));
  EXPECT_FALSE(Edited(QStringLiteral("b.txt")));
  EXPECT_EQ(preview->Failures(), 0u);
  // A text that is no name at all (half a surrogate pair) is not taken.
  EXPECT_FALSE(Rename(QStringLiteral("b.txt"), QString(QChar(0xD800)) + QStringLiteral(".txt")));
  EXPECT_EQ(NewName(QStringLiteral("b.txt")), QStringLiteral("b0002.txt"));

  // Sorted the other way round, and narrowed, the rows keep their names.
  preview->Table()->sortByColumn(TPlanTableModel::kOutcome, Qt::DescendingOrder);
  EXPECT_EQ(RowOf(QStringLiteral("a.txt")), 0);
  EXPECT_EQ(NewName(QStringLiteral("a.txt")), QStringLiteral("z.txt"));
  preview->Filter()->setText(QStringLiteral("B0002"));
  EXPECT_EQ(preview->Table()->model()->rowCount(), 1);
  EXPECT_EQ(RowOf(QStringLiteral("a.txt")), -1);
  preview->Filter()->clear();
  EXPECT_TRUE(Edited(QStringLiteral("a.txt")));
  EXPECT_EQ(NewName(QStringLiteral("a.txt")), QStringLiteral("z.txt"));

  preview->RunButton()->click();
  QTRY_COMPARE(LogLines().size(), 4);
  EXPECT_EQ(Names(), (QStringList{QStringLiteral("a0001.txt"), QStringLiteral("b0002.txt"), QStringLiteral("z.txt")}));
  EXPECT_TRUE(LogLines()[1].endsWith(QStringLiteral("z.txt;"))) << LogLines()[1].toStdString();
}

TEST_F(PreviewTest, F2AndADoubleClickEditTheNewNameWhicheverCellIsCurrent) {
  W().show();
  W().ShowPreview(RunMode::Rename);
  TPreviewDialog *preview = W().Preview();
  ASSERT_NE(preview, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowActive(preview));
  QTableView *table = preview->Table();
  table->setFocus();
  table->setCurrentIndex(table->model()->index(RowOf(QStringLiteral("b.txt")), TPlanTableModel::kTarget));
  QTest::keyClick(table, Qt::Key_F2);
  EXPECT_EQ(table->currentIndex().column(), TPlanTableModel::kOutcome);
  auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
  ASSERT_NE(editor, nullptr) << "no editor opened";
  EXPECT_EQ(editor->text(), QStringLiteral("b0002.txt")) << "the name alone, not its folder";
  editor->selectAll();
  editor->insert(QStringLiteral("手で.txt"));
  QTest::keyClick(editor, Qt::Key_Return);

  // The editor hands its text over once the key has been handled.
  QTRY_COMPARE(NewName(QStringLiteral("b.txt")), QStringLiteral("手で.txt"));
  EXPECT_TRUE(Edited(QStringLiteral("b.txt")));

  const QModelIndex target = table->model()->index(RowOf(QStringLiteral("a.txt")), TPlanTableModel::kTarget);
  const QPoint at = table->visualRect(target).center();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
  EXPECT_EQ(table->currentIndex().column(), TPlanTableModel::kOutcome);
  editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
  ASSERT_NE(editor, nullptr) << "no editor opened";
  EXPECT_EQ(editor->text(), QStringLiteral("a0001.txt"));
  QTest::keyClick(editor, Qt::Key_Escape);
  QTRY_VERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()) == nullptr);
  EXPECT_EQ(NewName(QStringLiteral("a.txt")), QStringLiteral("a0001.txt"));
  EXPECT_TRUE(preview->isVisible()) << "Esc in the editor leaves the preview open";
}

TEST_F(PreviewTest, AThousandFilesWithTwoRowsChangedByHandRenameAndTheUndoBringsThemBack) {
  for (int i = 0; i < 1000; ++i) Make(QStringLiteral("f%1.dat").arg(i, 4, 10, QLatin1Char('0')));
  C().ComboBoxFilter->setEditText(QStringLiteral("*.dat"));
  const QStringList before = Names();
  W().ShowPreview(RunMode::Rename);
  TPreviewDialog *preview = W().Preview();
  ASSERT_NE(preview, nullptr);
  ASSERT_EQ(preview->Records(), 1000u);
  ASSERT_TRUE(Rename(QStringLiteral("f0007.dat"), QStringLiteral("七番.dat")));
  ASSERT_TRUE(Rename(QStringLiteral("f0999.dat"), QStringLiteral("last.dat")));
  EXPECT_EQ(preview->Failures(), 0u);
  preview->RunButton()->click();
  QTRY_COMPARE(LogLines().size(), 1002);
  QStringList after = Names();
  EXPECT_EQ(after.size(), 1003);  // with a.txt, b.txt and a0001.txt
  EXPECT_TRUE(after.contains(QStringLiteral("七番.dat")));
  EXPECT_TRUE(after.contains(QStringLiteral("last.dat")));
  EXPECT_TRUE(after.contains(QStringLiteral("f00000001.dat")));
  EXPECT_FALSE(after.contains(QStringLiteral("f0007.dat")));

  // The undo shows its plan, whose rows are no names to edit, and its run
  // button takes the edited run back.
  C().SpeedButtonUndo->click();
  TPreviewDialog *undo = W().Preview();
  ASSERT_NE(undo, nullptr);
  ASSERT_EQ(undo->Records(), 1000u);
  EXPECT_FALSE(undo->Model()->flags(undo->Model()->index(0, TPlanTableModel::kOutcome)) & Qt::ItemIsEditable);
  undo->RunButton()->click();
  QTRY_COMPARE(Names(), before);
  EXPECT_EQ(Panel0(), QStringLiteral("1000 件を元に戻しました。"));
}

// Every run has its preview, titled with what the run will do.
TEST_F(PreviewTest, EveryRunHasAPreviewNamingWhatItDoes) {
  W().show();
  W().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&W()));
  C().PageControlExec->setCurrentWidget(C().TabSheetDelete);
  QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &W(), Qt::Key_F5);
  ASSERT_NE(W().Preview(), nullptr);
  EXPECT_EQ(W().Preview()->windowTitle(), QStringLiteral("ごみ箱へのプレビュー"));
  EXPECT_EQ(W().Preview()->Records(), 2u);
  W().Preview()->close();
  QTRY_VERIFY(W().Preview() == nullptr);

  C().SpeedButtonDeletePreview->click();
  ASSERT_NE(W().Preview(), nullptr);
  EXPECT_EQ(W().Preview()->Records(), 2u);
  W().Preview()->close();
  QTRY_VERIFY(W().Preview() == nullptr);

  QMenu *changeMenu = C().SpeedButtonChange->menu();
  ASSERT_NE(changeMenu, nullptr);
  changeMenu->actions().front()->trigger();
  ASSERT_NE(W().Preview(), nullptr);
  EXPECT_EQ(W().Preview()->windowTitle(), QStringLiteral("日時と属性の変更のプレビュー"));
  W().Preview()->close();
  QTRY_VERIFY(W().Preview() == nullptr);
  EXPECT_EQ(Names(), (QStringList{QStringLiteral("a.txt"), QStringLiteral("a0001.txt"), QStringLiteral("b.txt")}));

  JobSettings job = W().GetJob();
  const struct {
    RunMode Mode;
    bool RenameCopy;
    int CopyDelete;
    bool Recycled;
    const char16_t *Title;
  } cases[] = {
      {RunMode::Rename, true, 1, true, u"コピーを作ってリネームのプレビュー"},
      {RunMode::Rename, false, 1, true, u"リネームのプレビュー"},
      {RunMode::Copy, false, 1, true, u"コピーのプレビュー"},
      {RunMode::Copy, false, 0, true, u"移動のプレビュー"},
      {RunMode::Copy, false, 2, true, u"移動のプレビュー"},
      {RunMode::Delete, false, 1, false, u"削除のプレビュー"},
  };
  for (const auto &c : cases) {
    job.Rename.Copy = c.RenameCopy;
    job.Copy.Delete = c.CopyDelete;
    job.Delete.Recycled = c.Recycled;
    EXPECT_EQ(PreviewTitle(c.Mode, job), QString::fromUtf16(c.Title));
  }
}

TEST_F(PreviewTest, TheTreeCheckBoxIsPartOfTheJob) {
  EXPECT_FALSE(W().GetJob().Copy.KeepTree);
  EXPECT_EQ(C().CheckBoxKeepTree->parentWidget(), C().TabSheetCopy);
  C().CheckBoxKeepTree->setChecked(true);
  EXPECT_TRUE(W().GetJob().Copy.KeepTree);
  JobSettings job = W().GetJob();
  job.Copy.KeepTree = false;
  W().SetJob(job);
  EXPECT_FALSE(C().CheckBoxKeepTree->isChecked());
}

}  // namespace
