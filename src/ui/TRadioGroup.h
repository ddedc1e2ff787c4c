#pragma once
// A framed set of exclusive choices addressed by item index, -1 meaning no
// choice (a settings file can leave a group so).  Click is emitted whenever
// the choice changes, by the user or by the program, as the refresh expects.

#include <QGroupBox>

#include <QStringList>

class QButtonGroup;
class QRadioButton;

class TRadioGroup : public QGroupBox {
  Q_OBJECT
public:
  // `columns` items go side by side in one row.
  TRadioGroup(const QString &title, const QStringList &items, int columns, QWidget *parent);

  int ItemIndex() const;
  // Out-of-range values select nothing.
  void SetItemIndex(int index);
  int Count() const { return static_cast<int>(buttons_.size()); }
  QRadioButton *Button(int index) const { return buttons_.at(index); }

signals:
  void Click();

private:
  QButtonGroup *group_;
  std::vector<QRadioButton *> buttons_;
};
