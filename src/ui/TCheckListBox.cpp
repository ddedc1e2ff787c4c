#include "ui/TCheckListBox.h"

#include "ui/QtText.h"

TCheckListBox::TCheckListBox(QWidget *parent) : QListWidget(parent) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragDropMode(QAbstractItemView::NoDragDrop);
  connect(this, &QListWidget::itemChanged, this, [this] {
    if (!updating_) emit ClickCheck();
  });
}

std::string TCheckListBox::ItemText(int index) const { return ToCp932Lossy(item(index)->text()); }

bool TCheckListBox::Checked(int index) const { return item(index)->checkState() == Qt::Checked; }

void TCheckListBox::SetItems(const std::vector<std::string> &texts,
                             const std::vector<bool> &checked) {
  updating_ = true;
  const int selected = currentRow();
  clear();
  for (std::size_t i = 0; i < texts.size(); ++i) {
    auto *entry = new QListWidgetItem(Q(texts[i]), this);
    entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    entry->setCheckState(i < checked.size() && checked[i] ? Qt::Checked : Qt::Unchecked);
  }
  if (selected >= 0 && selected < count()) setCurrentRow(selected);
  updating_ = false;
}

void TCheckListBox::SetChecked(int index, bool checked) {
  updating_ = true;
  item(index)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  updating_ = false;
}
