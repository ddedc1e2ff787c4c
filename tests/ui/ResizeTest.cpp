// The window's least size is the layout's; larger, it gives its room to the
// run pages and the log, and no control of those pages is cut.

#include <QTabWidget>
#include <QToolButton>

#include "WindowFixture.h"
#include "ui/TMainLayout.h"
#include "ui/TMemo.h"

namespace {

TEST_F(WindowTest, ALargerWindowGivesItsRoomToTheLog) {
  W().show();
  C().PageControlExec->setCurrentWidget(C().TabSheetRestore);
  QApplication::processEvents();
  EXPECT_EQ(W().minimumSize(), QSize(TMainLayout::kClientWidth, TMainLayout::kClientHeight));
  const QRect log = C().MemoLog->geometry();
  const QRect clear = C().SpeedButtonClear->geometry();
  EXPECT_EQ(log, QRect(4, 26, 516, 124));

  W().resize(1000, 760);
  QApplication::processEvents();
  const int dw = 1000 - TMainLayout::kClientWidth, dh = 760 - TMainLayout::kClientHeight;
  EXPECT_EQ(C().MemoLog->geometry(), log.adjusted(0, 0, dw, dh));
  EXPECT_EQ(C().SpeedButtonClear->geometry(), clear.translated(dw, dh));
  // Every control of the log page still lies inside it.
  const QRect page = C().TabSheetRestore->rect();
  for (QWidget *child : C().TabSheetRestore->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
    EXPECT_TRUE(page.contains(child->geometry())) << child->metaObject()->className();

  // And back at the least size, everything is where the layout put it.
  W().resize(TMainLayout::kClientWidth, TMainLayout::kClientHeight);
  QApplication::processEvents();
  EXPECT_EQ(C().MemoLog->geometry(), log);
  EXPECT_EQ(C().SpeedButtonClear->geometry(), clear);
}

}  // namespace
