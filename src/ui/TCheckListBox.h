#pragma once
// Items with check marks whose order only the program changes.  ClickCheck
// is emitted when the user toggles a check mark; moves and marks set by the
// program are silent.

#include <QListWidget>

#include <string>
#include <string_view>
#include <vector>

class TCheckListBox : public QListWidget {
  Q_OBJECT
public:
  explicit TCheckListBox(QWidget *parent);

  int Count() const { return count(); }
  std::string ItemText(int index) const;  // CP932
  bool Checked(int index) const;

  // Replaces every item; `checked` may be shorter than `texts`.
  void SetItems(const std::vector<std::string> &texts, const std::vector<bool> &checked);
  void SetChecked(int index, bool checked);

signals:
  void ClickCheck();

private:
  bool updating_ = false;
};
