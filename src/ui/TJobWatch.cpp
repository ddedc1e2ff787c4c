#include "ui/TJobWatch.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTabBar>

TJobWatch::TJobWatch(QWidget &window, std::function<void()> onChange) {
  auto changed = [this, onChange] {
    ++changes_;
    if (onChange) onChange();
  };
  for (QAbstractButton *button : window.findChildren<QAbstractButton *>())
    connect(button, &QAbstractButton::toggled, this, changed);
  for (QLineEdit *edit : window.findChildren<QLineEdit *>())
    connect(edit, &QLineEdit::textChanged, this, changed);
  for (QSpinBox *spin : window.findChildren<QSpinBox *>())
    connect(spin, &QSpinBox::valueChanged, this, changed);
  for (QComboBox *combo : window.findChildren<QComboBox *>())
    connect(combo, &QComboBox::currentIndexChanged, this, changed);
  for (QTabBar *tabs : window.findChildren<QTabBar *>())
    connect(tabs, &QTabBar::currentChanged, this, changed);
  // The order list: check marks, and items the program moves.
  for (QListWidget *list : window.findChildren<QListWidget *>()) {
    const QAbstractItemModel *model = list->model();
    connect(model, &QAbstractItemModel::dataChanged, this, changed);
    connect(model, &QAbstractItemModel::rowsInserted, this, changed);
    connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(model, &QAbstractItemModel::rowsMoved, this, changed);
    connect(model, &QAbstractItemModel::layoutChanged, this, changed);
    connect(model, &QAbstractItemModel::modelReset, this, changed);
  }
}
