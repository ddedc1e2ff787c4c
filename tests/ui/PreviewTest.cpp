// The preview of every target and the undo of the last run, from the
// window.

#include <QCheckBox>
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
