// Every control the keyboard reaches has a name a screen reader can say,
// and check boxes are in the Tab order too.

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabBar>

#include "WindowFixture.h"

namespace {

QString NameOf(QWidget *widget) {
  if (!widget->accessibleName().isEmpty()) return widget->accessibleName();
  if (auto *button = qobject_cast<QAbstractButton *>(widget)) return button->text();
  return {};
}

TEST_F(WindowTest, EveryControlTheKeyboardReachesHasAName) {
  QStringList unnamed;
  for (QWidget *widget : W().findChildren<QWidget *>()) {
    if (!(widget->focusPolicy() & Qt::TabFocus) || widget->window() != &W()) continue;  // not a popup's list
    // The line edit inside a combo box or spin box is named by its owner.
    if (qobject_cast<QComboBox *>(widget->parentWidget()) != nullptr ||
        qobject_cast<QAbstractSpinBox *>(widget->parentWidget()) != nullptr)
      continue;
    if (qobject_cast<QTabBar *>(widget) != nullptr) continue;  // its tabs are named
    if (NameOf(widget).trimmed().isEmpty())
      unnamed << QStringLiteral("%1 %2").arg(QString::fromLatin1(widget->metaObject()->className()),
                                              widget->toolTip());
  }
  EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral("\n")).toStdString();
}

TEST_F(WindowTest, CheckBoxesAreInTheTabOrder) {
  for (QCheckBox *box : W().findChildren<QCheckBox *>())
    EXPECT_TRUE(box->focusPolicy() & Qt::TabFocus) << box->text().toStdString();
}

}  // namespace
