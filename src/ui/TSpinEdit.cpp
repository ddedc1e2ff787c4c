#include "ui/TSpinEdit.h"

#include <QLineEdit>

TSpinEdit::TSpinEdit(int minValue, int maxValue, int maxLength, QWidget *parent)
    : QSpinBox(parent) {
  setRange(minValue, maxValue);
  if (maxLength > 0) lineEdit()->setMaxLength(maxLength);
}

int TSpinEdit::MaxLength() const { return lineEdit()->maxLength(); }
