#include "ui/QtText.h"

#include "ui/session/SessionText.h"

QString Q(std::string_view cp932) { return QFromCp932(cp932); }

std::optional<std::string> ToCp932(const QString &text) { return Cp932FromQ(text); }

std::string ToCp932Lossy(const QString &text) {
  if (std::optional<std::string> whole = ToCp932(text)) return *whole;
  std::string result;
  // Character by character, a surrogate pair kept together.
  for (qsizetype i = 0; i < text.size(); ++i) {
    const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    std::optional<std::string> bytes = ToCp932(text.mid(i, length));
    result += bytes ? *bytes : std::string("?");
    i += length - 1;
  }
  return result;
}
