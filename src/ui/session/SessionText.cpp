#include "ui/session/SessionText.h"

#include "platform/Cp932.h"

// Through UTF-16 rather than UTF-8, so that a raw byte of a name (a lone
// surrogate in the QString) comes back as the same byte.
QString QFromCp932(std::string_view cp932) {
  const std::u16string text = Cp932ToUtf16Lossy(cp932);
  return QString(reinterpret_cast<const QChar *>(text.data()), static_cast<qsizetype>(text.size()));
}

std::optional<std::string> Cp932FromQ(const QString &text) {
  return Utf16ToCp932(std::u16string_view(reinterpret_cast<const char16_t *>(text.utf16()),
                                          static_cast<std::size_t>(text.size())));
}

QString QFromSystemText(std::string_view bytes) {
  if (std::optional<std::string> cp932 = Utf8ToCp932(bytes)) return QFromCp932(*cp932);
  // No extension code left: the text cannot be carried, and Cp932FromQ will
  // say so where it is used.
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
