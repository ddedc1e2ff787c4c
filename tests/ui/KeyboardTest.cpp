// The window from the keyboard alone: an Alt+letter means one control on
// whatever the window shows at once, and Tab reaches every control in the
// order a reader meets them.
//
// The window shows one file page, the band of dates and attributes, and one
// run page at a time; on the rename page also one of its step pages.  The
// tests go through every such view.

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMap>
#include <QMenuBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <vector>

#include "WindowFixture.h"

namespace {

// One view: the current file page, run page and, on the rename page, the
// current step page (-1 elsewhere).
struct TView {
  int File;
  int Exec;
  int Step;
};

class KeyboardTest : public WindowTest {
protected:
  std::vector<TView> Views() const {
    std::vector<TView> views;
    for (int file = 0; file < C().PageControlFile->count(); ++file) {
      for (int exec = 0; exec < C().PageControlExec->count(); ++exec) {
        if (C().PageControlExec->widget(exec) != C().TabSheetRename) {
          views.push_back({file, exec, -1});
          continue;
        }
        for (int step = 0; step < C().PageControlRename->count(); ++step) views.push_back({file, exec, step});
      }
    }
    return views;
  }

  void Show(const TView &view) {
    C().PageControlFile->setCurrentIndex(view.File);
    C().PageControlExec->setCurrentIndex(view.Exec);
    if (view.Step >= 0) C().PageControlRename->setCurrentIndex(view.Step);
    QApplication::processEvents();
  }

  QString Name(const TView &view) const {
    QString name = C().PageControlFile->tabText(view.File) + QStringLiteral(" + ") +
                   C().PageControlExec->tabText(view.Exec);
    if (view.Step >= 0) name += QStringLiteral(" / ") + C().PageControlRename->tabText(view.Step);
    return name;
  }
};

// The Alt+letter of a caption, upper case, or empty.
QString Accelerator(const QString &caption) {
  const QKeySequence key = QKeySequence::mnemonic(caption);
  if (key.isEmpty()) return {};
  return QKeySequence(key[0].key()).toString().toUpper();
}

// Every caption on show that gives an Alt+letter, by its letter.
QMap<QString, QStringList> ShownAccelerators(QWidget &window) {
  QMap<QString, QStringList> captions;
  const auto add = [&captions](const QString &caption) {
    if (const QString key = Accelerator(caption); !key.isEmpty()) captions[key] << caption;
  };
  for (QWidget *widget : window.findChildren<QWidget *>()) {
    if (!widget->isVisible()) continue;
    if (auto *label = qobject_cast<QLabel *>(widget)) {
      // A label gives its letter to its buddy; without one the & is shown.
      if (label->buddy() != nullptr) add(label->text());
    } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
      add(button->text());
    } else if (auto *group = qobject_cast<QGroupBox *>(widget)) {
      add(group->title());
    } else if (auto *tabs = qobject_cast<QTabBar *>(widget)) {
      for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->isTabVisible(i)) add(tabs->tabText(i));
      }
    } else if (auto *menus = qobject_cast<QMenuBar *>(widget)) {
      for (QAction *action : menus->actions()) add(action->text());
    }
  }
  return captions;
}

TEST(AcceleratorTest, IsTheLetterAfterTheMark) {
  EXPECT_EQ(Accelerator(QStringLiteral("対象フォルダ(&D)")), QStringLiteral("D"));
  EXPECT_EQ(Accelerator(QStringLiteral("&save")), QStringLiteral("S"));
  EXPECT_EQ(Accelerator(QStringLiteral("現在時刻")), QString());
  EXPECT_EQ(Accelerator(QStringLiteral("A && B")), QString());
}

TEST_F(KeyboardTest, NoAcceleratorRepeatsOnAView) {
  W().show();
  int letters = 0;
  for (const TView &view : Views()) {
    Show(view);
    const QMap<QString, QStringList> captions = ShownAccelerators(W());
    letters = std::max(letters, static_cast<int>(captions.size()));
    for (auto it = captions.begin(); it != captions.end(); ++it) {
      EXPECT_EQ(it->size(), 1) << Name(view).toStdString() << ": " << it.key().toStdString() << " in "
                               << it->join(QStringLiteral(", ")).toStdString();
    }
  }
  // The walk saw the window's letters, not an empty window.
  EXPECT_GE(letters, 8);
}

}  // namespace
