#pragma once
// Free text with a drop-down history or a list of offered values.  The item
// index is -1 unless the text shown is the item last picked from the list,
// so a run can tell a typed text (pushed into the history) from a picked one
// (left where it is).

#include <QComboBox>

#include <string>
#include <string_view>
#include <vector>

class THistoryCombo : public QComboBox {
  Q_OBJECT
public:
  explicit THistoryCombo(QWidget *parent);

  std::string Text() const;  // CP932
  void SetText(std::string_view cp932);
  int ItemIndex() const;

  std::vector<std::string> Items() const;
  void SetItems(const std::vector<std::string> &cp932Items);

signals:
  // The text changed, typed or set.
  void Change();

private:
  bool typed_ = false;
};
