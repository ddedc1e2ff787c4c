#pragma once
// An integer with up and down arrows, a fixed range and a limit on the
// length of the typed text.

#include <QSpinBox>

class TSpinEdit : public QSpinBox {
  Q_OBJECT
public:
  // maxLength 0: no limit beyond the range.
  TSpinEdit(int minValue, int maxValue, int maxLength, QWidget *parent);

  int MaxLength() const;
};
