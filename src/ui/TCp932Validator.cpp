#include "ui/TCp932Validator.h"

#include "ui/QtText.h"

TCp932Validator::TCp932Validator(TRefusal onRefusal, QObject *parent)
    : QValidator(parent), onRefusal_(std::move(onRefusal)) {}

QValidator::State TCp932Validator::validate(QString &input, int &) const {
  if (ToCp932(input)) return Acceptable;
  if (onRefusal_) onRefusal_();
  return Invalid;
}
