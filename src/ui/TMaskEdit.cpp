#include "ui/TMaskEdit.h"

#include "ui/QtText.h"

namespace {

// Qt's '0' is an optional digit: a position may stay blank, as the stored
// texts require.
constexpr char kDateMask[] = "0000/00/00;_";
constexpr char kTimeMask[] = "00:00:00;_";

}  // namespace

TMaskEdit::TMaskEdit(TKind kind, QWidget *parent) : QLineEdit(parent), kind_(kind) {
  setInputMask(QString::fromLatin1(kind == TKind::Date ? kDateMask : kTimeMask));
  connect(this, &QLineEdit::textChanged, this, &TMaskEdit::Change);
}

std::string TMaskEdit::Text() const {
  QString shown = displayText();
  shown.replace(QLatin1Char('_'), QLatin1Char(' '));
  return ToCp932Lossy(shown);
}

void TMaskEdit::SetText(std::string_view fixedText) {
  const std::string_view form = kind_ == TKind::Date ? "0000/00/00" : "00:00:00";
  QString text;
  for (std::size_t i = 0; i < form.size(); ++i) {
    if (form[i] != '0') {
      text += QLatin1Char(form[i]);
      continue;
    }
    const char ch = i < fixedText.size() ? fixedText[i] : ' ';
    text += (ch >= '0' && ch <= '9') ? QLatin1Char(ch) : QLatin1Char(' ');
  }
  setText(text);
}
