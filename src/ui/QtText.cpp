#include "ui/QtText.h"

#include "platform/Cp932.h"

QString Q(std::string_view cp932) {
  return QString::fromStdString(Cp932ToUtf8Lossy(cp932));
}

std::optional<std::string> ToCp932(const QString &text) {
  return Utf8ToCp932(text.toStdString());
}

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
