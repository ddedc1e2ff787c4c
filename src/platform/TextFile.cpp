#include "platform/TextFile.h"

#include "platform/Cp932.h"

namespace {

bool HasHighByte(std::string_view bytes) {
  for (unsigned char c : bytes) {
    if (c >= 0x80) return true;
  }
  return false;
}

bool IsUtf16(TTextEncoding encoding) {
  return encoding == TTextEncoding::Utf16LittleEndian || encoding == TTextEncoding::Utf16BigEndian;
}

std::optional<std::string> DecodeUtf16(std::string_view bytes, TTextEncoding encoding) {
  const bool little = encoding == TTextEncoding::Utf16LittleEndian;
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    const auto first = static_cast<unsigned char>(bytes[2 * i]);
    const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    units[i] = static_cast<char16_t>(little ? first | second << 8 : first << 8 | second);
  }
  return Utf16ToCp932(units);
}

std::optional<std::string> EncodeUtf16(std::string_view cp932, TTextEncoding encoding,
                                       bool withMark) {
  const std::optional<std::u16string> units = Cp932ToUtf16(cp932);
  if (!units) return std::nullopt;
  const bool little = encoding == TTextEncoding::Utf16LittleEndian;
  const std::string_view mark =
      !withMark ? std::string_view() : little ? kUtf16LittleEndianMark : kUtf16BigEndianMark;
  std::string bytes;
  bytes.reserve(mark.size() + 2 * units->size());
  bytes.append(mark);
  for (const char16_t unit : *units) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    bytes += little ? low : high;
    bytes += little ? high : low;
  }
  return bytes;
}

}  // namespace

std::optional<TDecodedText> DecodeTextFile(std::string bytes, bool detectUtf8) {
  TDecodedText decoded;
  std::string_view text = bytes;
  if (text.starts_with(kUtf16LittleEndianMark) || text.starts_with(kUtf16BigEndianMark)) {
    decoded.Encoding = text.starts_with(kUtf16LittleEndianMark) ? TTextEncoding::Utf16LittleEndian
                                                                 : TTextEncoding::Utf16BigEndian;
    std::optional<std::string> cp932 = DecodeUtf16(text.substr(2), decoded.Encoding);
    if (!cp932) return std::nullopt;
    decoded.Cp932 = *std::move(cp932);
    return decoded;
  }
  if (text.starts_with(kUtf8Mark)) {
    decoded.Encoding = TTextEncoding::Utf8WithMark;
    text.remove_prefix(kUtf8Mark.size());
  } else if (detectUtf8 && HasHighByte(text) && IsValidUtf8(text)) {
    decoded.Encoding = TTextEncoding::Utf8;
  } else {
    decoded.Cp932 = std::move(bytes);
    return decoded;
  }
  std::optional<std::string> cp932 = Utf8ToCp932(text);
  if (!cp932) return std::nullopt;
  decoded.Cp932 = *std::move(cp932);
  return decoded;
}

TTextEncoding EncodingFor(std::string_view cp932, TTextEncoding previous) {
  if (IsUtf16(previous)) return previous;
  if (NeedsUnicode(cp932)) {
    // Without the mark, raw bytes of a name would make the file read as
    // Shift-JIS next time.
    return TTextEncoding::Utf8WithMark;
  }
  return previous;
}

std::optional<std::string> EncodeText(std::string_view cp932, TTextEncoding encoding, bool withMark) {
  if (encoding == TTextEncoding::ShiftJis) return std::string(cp932);
  if (IsUtf16(encoding)) return EncodeUtf16(cp932, encoding, withMark);
  std::optional<std::string> utf8 = Cp932ToUtf8Bytes(cp932);
  if (!utf8 || encoding != TTextEncoding::Utf8WithMark || !withMark) return utf8;
  return std::string(kUtf8Mark) + *utf8;
}
