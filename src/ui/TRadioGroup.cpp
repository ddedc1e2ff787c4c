#include "ui/TRadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

TRadioGroup::TRadioGroup(const QString &title, const QStringList &items, int columns,
                         QWidget *parent)
    : QGroupBox(title, parent), group_(new QButtonGroup(this)) {
  auto *layout = new QGridLayout(this);
  layout->setContentsMargins(6, title.isEmpty() ? 2 : 0, 4, 2);
  layout->setHorizontalSpacing(4);
  layout->setVerticalSpacing(0);
  for (qsizetype i = 0; i < items.size(); ++i) {
    auto *button = new QRadioButton(items[i], this);
    const int index = static_cast<int>(i);
    group_->addButton(button, index);
    layout->addWidget(button, index / columns, index % columns);
    buttons_.push_back(button);
  }
  connect(group_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) emit Click();
  });
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
  if (index >= 0 && index < Count()) {
    buttons_[index]->setChecked(true);
    return;
  }
  if (ItemIndex() < 0) return;
  // An exclusive group never lets its last checked button go by itself.
  group_->setExclusive(false);
  for (QRadioButton *button : buttons_) button->setChecked(false);
  group_->setExclusive(true);
  emit Click();
}
