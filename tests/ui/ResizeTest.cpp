// The window's least size is the layout's; larger, it gives its room to the
// run pages and the log, and no control of those pages is cut.

#include <QLabel>
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

// Wider, the folder and the filter take the room; the folder button and the
// kind of target keep their distance from the right edge, and nothing on
// the page overlaps.
TEST_F(WindowTest, AWiderWindowGivesItsRoomToTheFolderAndTheFilter) {
  W().show();
  C().PageControlFile->setCurrentWidget(C().TabSheetTarget);
  QApplication::processEvents();
  const QRect folder = C().ComboBoxFolder->geometry();
  const QRect button = C().SpeedButtonFindIn->geometry();
  const QRect filter = C().ComboBoxFilter->geometry();
  const QRect kind = C().RadioGroupFileOnly->geometry();

  W().resize(1000, TMainLayout::kClientHeight);
  QApplication::processEvents();
  const int dw = 1000 - TMainLayout::kClientWidth;
  EXPECT_EQ(C().ComboBoxFolder->geometry(), folder.adjusted(0, 0, dw, 0));
  EXPECT_EQ(C().SpeedButtonFindIn->geometry(), button.translated(dw, 0));
  EXPECT_EQ(C().ComboBoxFilter->geometry(), filter.adjusted(0, 0, dw, 0));
  EXPECT_EQ(C().RadioGroupFileOnly->geometry(), kind.translated(dw, 0));
  const QList<QWidget *> children = C().TabSheetTarget->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
  for (QWidget *a : children) {
    if (!a->isVisible()) continue;
    EXPECT_TRUE(C().TabSheetTarget->rect().contains(a->geometry())) << a->metaObject()->className();
    for (QWidget *b : children) {
      if (a < b && b->isVisible() && qobject_cast<QLabel *>(a) == nullptr && qobject_cast<QLabel *>(b) == nullptr) {
        EXPECT_FALSE(a->geometry().intersects(b->geometry()))
            << a->metaObject()->className() << " " << b->metaObject()->className();
      }
    }
  }

  W().resize(TMainLayout::kClientWidth, TMainLayout::kClientHeight);
  QApplication::processEvents();
  EXPECT_EQ(C().ComboBoxFolder->geometry(), folder);
  EXPECT_EQ(C().RadioGroupFileOnly->geometry(), kind);
}

// A window that starts larger (its size is kept from the last session) is
// laid out as one made larger after it started.
TEST_F(WindowTest, AWindowThatStartsLargeGivesItsRoomAsWell) {
  W().resize(1000, 760);
  W().show();
  QApplication::processEvents();
  C().PageControlExec->setCurrentWidget(C().TabSheetRestore);
  QApplication::processEvents();
  const int dw = 1000 - TMainLayout::kClientWidth;
  EXPECT_EQ(C().MemoLog->width(), 516 + dw);
  EXPECT_GT(C().MemoLog->height(), 124);
  EXPECT_EQ(C().ComboBoxFolder->width(), 376 + dw);
  EXPECT_TRUE(C().TabSheetRestore->rect().contains(C().SpeedButtonClear->geometry()));
}

}  // namespace
