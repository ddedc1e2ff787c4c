#include "ui/THistoryCombo.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include "ui/QtText.h"

THistoryCombo::THistoryCombo(QWidget *parent) : QComboBox(parent) {
  setEditable(true);
  // The history is kept by the run, not by pressing Enter.
  setInsertPolicy(QComboBox::NoInsert);
  setMaxVisibleItems(8);
  connect(lineEdit(), &QLineEdit::textEdited, this, [this] { typed_ = true; });
  // Picked from the list, by the mouse, the arrow keys or the program.
  connect(this, &QComboBox::activated, this, [this] { typed_ = false; });
  connect(this, &QComboBox::currentIndexChanged, this, [this] { typed_ = false; });
  connect(this, &QComboBox::editTextChanged, this, &THistoryCombo::Change);
}

std::string THistoryCombo::Text() const { return ToCp932Lossy(currentText()); }

void THistoryCombo::SetText(std::string_view cp932) {
  typed_ = true;
  setEditText(Q(cp932));
}

int THistoryCombo::ItemIndex() const {
  const int index = currentIndex();
  if (typed_ || index < 0 || itemText(index) != currentText()) return -1;
  return index;
}

std::vector<std::string> THistoryCombo::Items() const {
  std::vector<std::string> items;
  for (int i = 0; i < count(); ++i) items.push_back(ToCp932Lossy(itemText(i)));
  return items;
}

void THistoryCombo::SetItems(const std::vector<std::string> &cp932Items) {
  // Only the list changes; the text stays, so no change is reported.
  const QSignalBlocker quiet(this);
  const QString text = currentText();
  const bool typed = typed_;
  clear();
  for (const std::string &item : cp932Items) addItem(Q(item));
  setCurrentIndex(-1);
  setEditText(text);
  typed_ = typed;
}
