#include "ui/session/SessionText.h"

#include "platform/Cp932.h"

QString QFromCp932(std::string_view cp932) {
  return QString::fromStdString(Cp932ToUtf8Lossy(cp932));
}

std::optional<std::string> Cp932FromQ(const QString &text) {
  return Utf8ToCp932(text.toStdString());
}
