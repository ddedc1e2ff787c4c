#include "media/ShiftJisLatin1.h"

#include <iconv.h>

#include <cerrno>

namespace {

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsTrail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// Shift_JIS text as UTF-8; nullopt for bytes that are no Shift_JIS text.
// The user-defined area (lead bytes 0xF0-0xF9) holds no character of its
// own, so bytes that fall there are no text either.  A converter of its
// own per call: this runs on the listing's threads.
std::optional<std::string> DecodeShiftJis(std::string_view bytes) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out(bytes.size() * 3 + 4, '\0');
  char *in = const_cast<char *>(bytes.data());
  std::size_t inLeft = bytes.size();
  char *to = out.data();
  std::size_t outLeft = out.size();
  const std::size_t done = iconv(cd, &in, &inLeft, &to, &outLeft);
  iconv_close(cd);
  if (done == static_cast<std::size_t>(-1) || inLeft != 0) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

std::optional<std::string> ShiftJisInLatin1(std::string_view bytes) {
  bool doubleByte = false;
  bool latin1Control = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x80 && c <= 0x9F) latin1Control = true;
    if (!IsLead(c)) {
      // ASCII, or a half-width katakana (0xA1-0xDF); 0x80, 0xA0 and
      // 0xFD-0xFF are no Shift_JIS at all.
      if (c == 0x80 || c == 0xA0 || c >= 0xFD) return std::nullopt;
      continue;
    }
    if (i + 1 >= bytes.size() || !IsTrail(static_cast<unsigned char>(bytes[i + 1])))
      return std::nullopt;
    if (c >= 0xF0 && c <= 0xF9) return std::nullopt;
    const auto trail = static_cast<unsigned char>(bytes[i + 1]);
    if (trail >= 0x80 && trail <= 0x9F) latin1Control = true;
    doubleByte = true;
    ++i;
  }
  if (!doubleByte || !latin1Control) return std::nullopt;
  return DecodeShiftJis(bytes);
}
