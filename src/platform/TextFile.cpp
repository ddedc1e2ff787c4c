#include "platform/TextFile.h"

#include "platform/Cp932.h"

namespace {

bool HasHighByte(std::string_view bytes) {
  for (unsigned char c : bytes) {
    if (c >= 0x80) return true;
  }
  return false;
}

}  // namespace

std::optional<TDecodedText> DecodeTextFile(std::string bytes, bool detectUtf8) {
  TDecodedText decoded;
  std::string_view text = bytes;
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
  if (NeedsUnicode(cp932)) {
    // Without the mark, raw bytes of a name would make the file read as
    // Shift-JIS next time.
    return TTextEncoding::Utf8WithMark;
  }
  return previous;
}

std::optional<std::string> EncodeText(std::string_view cp932, TTextEncoding encoding, bool withMark) {
  if (encoding == TTextEncoding::ShiftJis) return std::string(cp932);
  std::optional<std::string> utf8 = Cp932ToUtf8Bytes(cp932);
  if (!utf8 || encoding != TTextEncoding::Utf8WithMark || !withMark) return utf8;
  return std::string(kUtf8Mark) + *utf8;
}
