// The window takes the desktop's font.  A larger font makes the window's
// least size larger; no control is cut, none comes to lie over another, and
// none leaves its page.

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QToolButton>

#include <memory>

#include "WindowFixture.h"
#include "WindowViews.h"

namespace {

// The desktop's font for as long as it lives.
class TDesktopFont {
public:
  explicit TDesktopFont(const QFont &font) : old_(QApplication::font()) { QApplication::setFont(font); }
  ~TDesktopFont() { QApplication::setFont(old_); }
  TDesktopFont(const TDesktopFont &) = delete;
  TDesktopFont &operator=(const TDesktopFont &) = delete;

private:
  QFont old_;
};

// Where a control is below the window, by the index of each parent's child:
// the same control in two windows built alike.
QString Path(const QObject *object, const QObject *window) {
  QStringList steps;
  for (; object != window && object->parent() != nullptr; object = object->parent())
    steps.prepend(QString::number(object->parent()->children().indexOf(object)));
  return steps.join(QLatin1Char('/'));
}

QString Describe(const QWidget *widget) {
  QString text;
  if (auto *label = qobject_cast<const QLabel *>(widget)) text = label->text();
  if (auto *button = qobject_cast<const QAbstractButton *>(widget)) text = button->text();
  if (text.isEmpty()) text = widget->accessibleName();
  return QStringLiteral("%1 \"%2\"").arg(QString::fromLatin1(widget->metaObject()->className()), text);
}

std::vector<QWidget *> ShownChildren(QWidget *parent) {
  std::vector<QWidget *> shown;
  for (QWidget *child : parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
    if (child->isVisible() && !child->isWindow()) shown.push_back(child);
  }
  return shown;
}

// Pairs of controls on show side by side in one parent that cover each
// other, by their paths; the texts say which they are.
QMap<QString, QString> Overlaps(QWidget &window) {
  QMap<QString, QString> pairs;
  QList<QWidget *> parents = window.findChildren<QWidget *>();
  parents.prepend(&window);
  for (QWidget *parent : parents) {
    if (!parent->isVisible()) continue;
    const std::vector<QWidget *> shown = ShownChildren(parent);
    for (std::size_t i = 0; i < shown.size(); ++i) {
      for (std::size_t j = i + 1; j < shown.size(); ++j) {
        if (!shown[i]->geometry().intersects(shown[j]->geometry())) continue;
        pairs.insert(Path(shown[i], &window) + QLatin1Char(' ') + Path(shown[j], &window),
                     Describe(shown[i]) + QStringLiteral(" and ") + Describe(shown[j]));
      }
    }
  }
  return pairs;
}

// A caption as drawn: a single & marks the accelerator and is not shown.
QString Shown(const QString &caption) {
  QString shown;
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i;
    shown += caption[i];
  }
  return shown;
}

// Where a check box's or a radio button's caption ends.
int CaptionEnd(QAbstractButton *button) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  const bool radio = qobject_cast<QRadioButton *>(button) != nullptr;
  const QRect contents = button->style()->subElementRect(
      radio ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents, &option, button);
  return contents.left() + button->fontMetrics().horizontalAdvance(Shown(button->text()));
}

// Captions whose text does not fit their control's width or a line's
// height, and controls that stand partly outside their parent.
QMap<QString, QString> Cut(QWidget &window) {
  QMap<QString, QString> cut;
  for (QWidget *widget : window.findChildren<QWidget *>()) {
    if (!widget->isVisible() || widget->isWindow()) continue;
    const QWidget *parent = widget->parentWidget();
    if (parent != nullptr && !parent->rect().contains(widget->geometry()))
      cut.insert(Path(widget, &window) + QStringLiteral(" outside"),
                 Describe(widget) + QStringLiteral(" outside ") + Describe(parent));
    int needs = 0;  // the width the caption needs, 0 for no caption
    if (auto *label = qobject_cast<QLabel *>(widget)) {
      // A sunken display shows a result of any length; the others are captions.
      if (!label->text().isEmpty() && !label->wordWrap() && label->frameShape() == QFrame::NoFrame)
        needs = label->fontMetrics().horizontalAdvance(Shown(label->text())) + widget->width() -
                label->contentsRect().width();
    } else if (qobject_cast<QCheckBox *>(widget) != nullptr || qobject_cast<QRadioButton *>(widget) != nullptr) {
      auto *button = qobject_cast<QAbstractButton *>(widget);
      if (!button->text().isEmpty()) needs = CaptionEnd(button);
    } else if (auto *button = qobject_cast<QToolButton *>(widget)) {
      if (!button->text().isEmpty()) needs = button->sizeHint().width();
    } else if (qobject_cast<QTabBar *>(widget) != nullptr) {
      needs = widget->sizeHint().width();  // every tab whole side by side
    }
    if (needs == 0) continue;
    const int line = widget->fontMetrics().height();
    if (needs > widget->width() || line > widget->height()) {
      cut[Path(widget, &window)] = QStringLiteral("%1 needs %2x%3, has %4x%5")
                 .arg(Describe(widget))
                 .arg(needs)
                 .arg(line)
                 .arg(widget->width())
                 .arg(widget->height());
    }
  }
  return cut;
}

class LargerFontTest : public WindowTest, public ::testing::WithParamInterface<double> {};

INSTANTIATE_TEST_SUITE_P(Factors, LargerFontTest, ::testing::Values(1.25, 1.5, 2.0));

TEST_P(LargerFontTest, MakesTheLeastSizeLargerAndNothingIsCutOrCovered) {
  // What the layout is made for, at the usual font: the controls that
  // cover each other by design (a check box on its frame's edge, a text box
  // inside a group of choices), and the captions a machine's fonts make a
  // pixel or two wider than their places.
  W().show();
  const std::vector<TView> views = Views(C());
  std::vector<QMap<QString, QString>> usualOverlaps, usualCuts;
  for (const TView &view : views) {
    Show(C(), view);
    usualOverlaps.push_back(Overlaps(W()));
    usualCuts.push_back(Cut(W()));
  }
  const QSize least = W().minimumSize();

  QFont font = QApplication::font();
  font.setPointSizeF(font.pointSizeF() * GetParam());
  TDesktopFont desktop(font);
  std::unique_ptr<TBunselMain> large = NewWindow();
  TBunselMain &L = *large;
  const TMainControls &c = L.Controls();
  EXPECT_EQ(QFontInfo(L.font()).pixelSize(), QFontInfo(font).pixelSize());
  EXPECT_GE(L.minimumWidth(), least.width() * GetParam() - 2);
  EXPECT_GE(L.minimumHeight(), least.height() * GetParam() - 2);
  L.show();
  L.resize(L.minimumSize());
  QApplication::processEvents();
  EXPECT_EQ(L.size(), L.minimumSize());

  for (std::size_t i = 0; i < views.size(); ++i) {
    Show(c, views[i]);
    const std::string name = Name(c, views[i]).toStdString();
    const QMap<QString, QString> cut = Cut(L);
    for (auto it = cut.begin(); it != cut.end(); ++it)
      EXPECT_TRUE(usualCuts[i].contains(it.key())) << name << ": " << it.value().toStdString();
    const QMap<QString, QString> overlaps = Overlaps(L);
    for (auto it = overlaps.begin(); it != overlaps.end(); ++it)
      EXPECT_TRUE(usualOverlaps[i].contains(it.key())) << name << ": " << it.value().toStdString();
  }
}

}  // namespace
