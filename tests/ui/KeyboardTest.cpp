// The window from the keyboard alone: an Alt+letter means one control on
// whatever the window shows at once, and Tab reaches every control in the
// order a reader meets them.
// The tests go through every view of the window (WindowViews.h).

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

#include <algorithm>
#include <vector>

#include "ui/TLiveList.h"
#include "ui/TRadioGroup.h"

#include "WindowFixture.h"
#include "WindowViews.h"

namespace {

class KeyboardTest : public WindowTest {
protected:
  std::vector<TView> Views() const { return ::Views(C()); }
  void Show(const TView &view) { ::Show(C(), view); }
  QString Name(const TView &view) const { return ::Name(C(), view); }
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

// --- Tab order -------------------------------------------------------------
//
// The reading order the window is built in: a container is cut into rows
// wherever a horizontal line crosses none of its controls, read top to
// bottom; a row that no such line cuts is cut into columns wherever a
// vertical line crosses none, read left to right, and each column is read
// the same way again.  So controls beside each other on a row are read left
// to right, and a tall control (the step list, the step pages, the
// attribute frame, a framed group) makes a column of what stands beside it.
// Controls that overlap each other and so cannot be cut apart are read by
// their top edge, then their left.  A control holding others (the pages, a
// panel) is read where it stands, its own inside in the same way.
//
// A Tab stop is a control: the text box inside a combo or spin box is its
// owner's, and an exclusive group of radio buttons is one stop (the arrows
// move inside it).

// Lines closer than this do not cut: controls of one row may stand a pixel
// or two higher or lower than each other.
constexpr int kSlack = 2;

QWidget *Stop(QWidget *widget) {
  for (QWidget *parent = widget->parentWidget(); parent != nullptr; parent = parent->parentWidget()) {
    if (qobject_cast<QComboBox *>(parent) != nullptr || qobject_cast<QAbstractSpinBox *>(parent) != nullptr ||
        qobject_cast<TRadioGroup *>(parent) != nullptr)
      return parent;
  }
  return widget;
}

// Every control the keyboard should reach on the window as shown: what takes
// the focus at all, apart from a label's selectable text.
std::vector<QWidget *> Reachable(QWidget &window) {
  std::vector<QWidget *> stops;
  for (QWidget *widget : window.findChildren<QWidget *>()) {
    if (widget->focusPolicy() == Qt::NoFocus || widget->focusProxy() != nullptr) continue;
    if (!widget->isVisible() || !widget->isEnabled() || widget->window() != &window) continue;
    if (qobject_cast<QLabel *>(widget) != nullptr) continue;
    QWidget *stop = Stop(widget);
    if (std::find(stops.begin(), stops.end(), stop) == stops.end()) stops.push_back(stop);
  }
  return stops;
}

struct TPlaced {
  QWidget *Widget;
  QRect At;
};

// Splits `items` where a line along `vertical` (false: rows) crosses none.
std::vector<std::vector<TPlaced>> Cut(std::vector<TPlaced> items, bool vertical) {
  const auto from = [vertical](const TPlaced &i) { return vertical ? i.At.left() : i.At.top(); };
  const auto to = [vertical](const TPlaced &i) { return vertical ? i.At.right() : i.At.bottom(); };
  std::stable_sort(items.begin(), items.end(), [&](const TPlaced &a, const TPlaced &b) { return from(a) < from(b); });
  std::vector<std::vector<TPlaced>> parts;
  int end = 0;
  for (const TPlaced &item : items) {
    if (parts.empty() || from(item) > end - kSlack) {
      parts.emplace_back();
      end = to(item);
    }
    parts.back().push_back(item);
    end = std::max(end, to(item));
  }
  return parts;
}

void Read(std::vector<TPlaced> items, const std::vector<QWidget *> &stops, std::vector<QWidget *> &order);

void ReadInside(QWidget *container, const std::vector<QWidget *> &stops, std::vector<QWidget *> &order) {
  std::vector<TPlaced> items;
  // Every control on show cuts, a frame or a label as much as a stop.
  for (QWidget *child : container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
    if (child->isVisible()) items.push_back({child, child->geometry()});
  }
  Read(std::move(items), stops, order);
}

void Read(std::vector<TPlaced> items, const std::vector<QWidget *> &stops, std::vector<QWidget *> &order) {
  if (items.size() > 1) {
    if (auto rows = Cut(items, false); rows.size() > 1) {
      for (auto &row : rows) Read(std::move(row), stops, order);
      return;
    }
    if (auto columns = Cut(items, true); columns.size() > 1) {
      for (auto &column : columns) Read(std::move(column), stops, order);
      return;
    }
    std::stable_sort(items.begin(), items.end(), [](const TPlaced &a, const TPlaced &b) {
      return std::pair(a.At.top(), a.At.left()) < std::pair(b.At.top(), b.At.left());
    });
  }
  for (const TPlaced &item : items) {
    if (std::find(stops.begin(), stops.end(), item.Widget) != stops.end()) order.push_back(item.Widget);
    ReadInside(item.Widget, stops, order);
  }
}

std::vector<QWidget *> ReadingOrder(QWidget &window, const std::vector<QWidget *> &stops) {
  std::vector<QWidget *> order;
  ReadInside(&window, stops, order);
  return order;
}

// The stops Tab goes through from `first` until it comes back to it (a
// stop that keeps the focus for more than one Tab counted once).
std::vector<QWidget *> TabWalk(QWidget *first, std::size_t most) {
  first->setFocus(Qt::TabFocusReason);
  std::vector<QWidget *> walk;
  QWidget *focus = QApplication::focusWidget();
  if (focus == nullptr) return walk;
  walk.push_back(Stop(focus));
  for (std::size_t n = 0; n < most; ++n) {
    QTest::keyClick(focus, Qt::Key_Tab);
    focus = QApplication::focusWidget();
    if (focus == nullptr) break;
    QWidget *stop = Stop(focus);
    if (stop == walk.front()) break;
    if (stop != walk.back()) walk.push_back(stop);
  }
  return walk;
}

QString Describe(QWidget *widget) {
  QString name = widget->accessibleName();
  if (auto *button = qobject_cast<QAbstractButton *>(widget); button != nullptr && name.isEmpty())
    name = button->text();
  return QStringLiteral("%1 \"%2\"").arg(QString::fromLatin1(widget->metaObject()->className()), name);
}

QString Describe(const std::vector<QWidget *> &widgets) {
  QStringList names;
  for (QWidget *widget : widgets) names << Describe(widget);
  return names.join(QStringLiteral("\n  "));
}

class TabOrderTest : public KeyboardTest, public ::testing::WithParamInterface<QSize> {};

// At the least size, and larger, where the rename page also shows its live
// list beside or below its controls.
INSTANTIATE_TEST_SUITE_P(Sizes, TabOrderTest,
                         ::testing::Values(QSize(530, 438), QSize(1000, 760), QSize(1200, 470)));

TEST_P(TabOrderTest, TabReachesEveryControlInReadingOrder) {
  W().show();
  W().resize(GetParam());
  W().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&W()));
  for (const TView &view : Views()) {
    Show(view);
    const std::vector<QWidget *> stops = Reachable(W());
    const std::vector<QWidget *> order = ReadingOrder(W(), stops);
    ASSERT_EQ(order.size(), stops.size()) << Name(view).toStdString();
    const std::vector<QWidget *> walk = TabWalk(order.front(), 4 * stops.size());
    // The larger windows do show the live list, so its place is checked too.
    const bool live = std::any_of(stops.begin(), stops.end(), [this](QWidget *stop) {
      return C().LiveList->isAncestorOf(stop);
    });
    EXPECT_EQ(live, view.Step >= 0 && GetParam() != W().minimumSize()) << Name(view).toStdString();

    std::vector<QWidget *> missed;
    for (QWidget *stop : stops) {
      if (std::find(walk.begin(), walk.end(), stop) == walk.end()) missed.push_back(stop);
    }
    EXPECT_TRUE(missed.empty()) << Name(view).toStdString() << ": Tab never reaches\n  "
                                << Describe(missed).toStdString();
    EXPECT_EQ(walk, order) << Name(view).toStdString() << "\nTab goes\n  " << Describe(walk).toStdString()
                           << "\nreading order\n  " << Describe(order).toStdString();
  }
}

}  // namespace
