// CP932 <-> Unicode.  The code tables are read from glibc's iconv ("CP932")
// when the program is built, so every ordinary character converts exactly
// as glibc has it; what glibc cannot carry both ways goes through the
// extension codes.
//
// Why tables rather than iconv per text: a character must be tested for the
// round trip (UTF-8 -> CP932 -> UTF-8 gives it back), which iconv can only
// answer by converting twice, and a folder listing converts every name.  With
// the tables a name costs one lookup per character.
//
// A Unicode character counts as Shift-JIS when glibc maps some CP932 code to
// it and glibc's own code for it maps back to it.  Everything else (é, emoji,
// WAVE DASH whose code returns FULLWIDTH TILDE, the yen sign that glibc maps
// onto the backslash, the private-use characters of the user-defined area)
// takes an extension code.

#include "platform/Cp932.h"

#include <bit>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/ExtensionCodes.h"

namespace {

constexpr char32_t kNone = 0xFFFFFFFF;

// glibc's CP932 as tables written at build time (MakeCp932Tables.cpp).
// The user-defined area (lead bytes 0xF0-0xF9) is left out: its codes
// belong to the extension table.
#include "Cp932Tables.inc"

class TCodeTables {
public:
  static const TCodeTables &Get() {
    static const TCodeTables tables;
    return tables;
  }

  // The character of a single byte, or kNone.
  char32_t Single(unsigned char byte) const { return kSingleTable[byte]; }
  // The character of a double-byte code, or 0 when it has none.
  char16_t Double(unsigned char lead, unsigned char trail) const { return kDoubleTable[lead << 8 | trail]; }
  // The Shift-JIS code of a BMP character (a byte value below 0x100 for a
  // single-byte one), or 0 when it has none that round-trips.
  std::uint16_t CodeOf(char32_t c) const { return c < 0x10000 ? kFromUnicodeTable[c] : 0; }
  // The UTF-8 form of a double-byte code as its bytes (lowest first) with
  // the count in the top byte, or 0 when it has no character.  Every log
  // line's Japanese text passes here, one lookup a character.
  std::uint32_t Utf8Of(unsigned char lead, unsigned char trail) const {
    return kUtf8DoubleTable[lead << 8 | trail];
  }
};

std::size_t AsciiRun(std::string_view text, std::size_t at);


std::size_t CharLength(std::string_view text, std::size_t at) {
  return IsDBCSLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

bool IsRawByteKey(char32_t key) {
  return key >= TExtensionCodes::kRawByteKey + 0x80 && key <= TExtensionCodes::kRawByteKey + 0xFF;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The character that starts at `at`, read strictly (no overlong forms, no
// surrogates, nothing above U+10FFFF), with its length.  A byte that does
// not start a valid sequence is read alone, as its raw-byte key, so a broken
// sequence never swallows the ASCII letter or dot after it.
char32_t ReadUtf8(std::string_view text, std::size_t at, std::size_t &length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char b0 = byte(0);
  length = 1;
  if (b0 < 0x80) return b0;
  const std::size_t left = text.size() - at;
  unsigned char low = 0x80, high = 0xBF;
  std::size_t need;
  char32_t c;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 2, c = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 3, c = b0 & 0x0F;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 4, c = b0 & 0x07;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    return TExtensionCodes::kRawByteKey + b0;
  }
  if (left < need || byte(1) < low || byte(1) > high) return TExtensionCodes::kRawByteKey + b0;
  for (std::size_t i = 1; i < need; ++i) {
    if (!IsContinuation(byte(i))) return TExtensionCodes::kRawByteKey + b0;
    c = c << 6 | (byte(i) & 0x3F);
  }
  length = need;
  return c;
}

// Writes the UTF-8 form of `c` at `out` and returns the end.
char *PutUtf8(char32_t c, char *out) {
  if (c < 0x80) {
    *out++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *out++ = static_cast<char>(0xC0 | c >> 6);
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *out++ = static_cast<char>(0xE0 | c >> 12);
    *out++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | c >> 18);
    *out++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
    *out++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
    *out++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// The length of the run of ASCII bytes that starts at `at`, read eight
// bytes at a time: most of a log line is its paths.
std::size_t AsciiRun(std::string_view text, std::size_t at) {
  std::size_t end = at;
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  for (std::uint64_t word; end + 8 <= text.size(); end += 8) {
    std::memcpy(&word, text.data() + end, 8);
    if (const std::uint64_t high = word & kHighBits) {
      // The first byte in memory is the word's lowest where bytes are
      // stored from the low end: its high bit tells where the run stops.
      if constexpr (std::endian::native == std::endian::little)
        return end + static_cast<std::size_t>(std::countr_zero(high)) / 8 - at;
      break;
    }
  }
  while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80) ++end;
  return end - at;
}

// Writes the CP932 form of a character or raw-byte key at `out` and
// returns the end; nullptr when it needs a new extension code and none is
// left.
char *PutCp932(const TCodeTables &tables, char32_t key, char *out) {
  if (key < 0x80) {
    *out++ = static_cast<char>(key);
    return out;
  }
  if (const std::uint16_t code = tables.CodeOf(key); code != 0) {
    if (code >= 0x100) *out++ = static_cast<char>(code >> 8);
    *out++ = static_cast<char>(code & 0xFF);
    return out;
  }
  const std::optional<int> extension = TExtensionCodes::Instance().CodeOf(key);
  if (!extension) return nullptr;
  unsigned char lead, trail;
  TExtensionCodes::BytesOf(*extension, lead, trail);
  *out++ = static_cast<char>(lead);
  *out++ = static_cast<char>(trail);
  return out;
}

// What the CP932 character at `at` stands for: a Unicode character or a
// raw-byte key; nullopt when the bytes are no CP932 character.
std::optional<char32_t> ReadCp932(const TCodeTables &tables, std::string_view text, std::size_t at,
                                  std::size_t &length) {
  const auto b0 = static_cast<unsigned char>(text[at]);
  length = 1;
  if (b0 < 0x80) return b0;
  if (!IsDBCSLeadByte(b0)) {
    const char32_t c = tables.Single(b0);
    return c == kNone ? std::nullopt : std::optional<char32_t>(c);
  }
  if (at + 1 >= text.size()) return std::nullopt;
  length = 2;
  const auto b1 = static_cast<unsigned char>(text[at + 1]);
  // The user-defined area is looked up only for its own lead bytes: every
  // character of a log line passes here.
  if (b0 >= 0xF0 && b0 <= 0xF9) {
    if (const std::optional<int> extension = TExtensionCodes::CodeAt(b0, b1)) {
      return TExtensionCodes::Instance().KeyOf(*extension);
    }
  }
  const char16_t c = tables.Double(b0, b1);
  return c == 0 ? std::nullopt : std::optional<char32_t>(c);
}

// Bytes of `utf8` that are not part of valid UTF-8.
std::size_t CountRawBytes(std::string_view utf8) {
  std::size_t count = 0, length = 0;
  for (std::size_t at = 0; at < utf8.size(); at += length) {
    if (IsRawByteKey(ReadUtf8(utf8, at, length))) ++count;
  }
  return count;
}

enum class TRawBytes { MustStayApart, AsTheyCome };

// CP932 to UTF-8, `bad` ('?') for what cannot be converted, or failing at
// the first such character when `bad` is 0.  The output is written through
// a pointer into a buffer of the largest size it can need (3 bytes a byte),
// since a log line of a long run passes here once per target.
//
// Appends to `out`, whose room is reused from one call to the next by a
// caller that converts a line per target; false (with `out` as it was)
// when the text cannot be converted.
bool AppendUtf8(std::string &out, std::string_view cp932, char bad,
                TRawBytes rawBytes = TRawBytes::MustStayApart) {
  const std::size_t start = out.size();
  if (IsAscii(cp932)) {
    out.append(cp932);
    return true;
  }
  const TCodeTables &tables = TCodeTables::Get();
  out.resize(start + cp932.size() * 3);
  char *put = out.data() + start;
  const char *in = cp932.data();
  const std::size_t size = cp932.size();
  std::size_t raw = 0;
  for (std::size_t at = 0; at < size;) {
    const auto lead = static_cast<unsigned char>(in[at]);
    if (lead < 0x80) {
      const std::size_t run = AsciiRun(cp932, at);
      put = std::copy_n(in + at, run, put);
      at += run;
      continue;
    }
    // Most of a log line: an ordinary double-byte character, one lookup.
    // (The user-defined area has no entry: its codes are looked up below.)
    if (IsDBCSLeadByte(lead) && at + 1 < size) {
      if (const std::uint32_t u = tables.Utf8Of(lead, static_cast<unsigned char>(in[at + 1]))) {
        put[0] = static_cast<char>(u);
        put[1] = static_cast<char>(u >> 8);
        put[2] = static_cast<char>(u >> 16);
        put += u >> 24;
        at += 2;
        continue;
      }
    }
    std::size_t length = 0;
    const std::optional<char32_t> c = ReadCp932(tables, cp932, at, length);
    if (!c) {
      if (bad == 0) {
        out.resize(start);
        return false;
      }
      *put++ = bad;
      length = CharLength(cp932, at);
    } else if (IsRawByteKey(*c)) {
      *put++ = static_cast<char>(*c - TExtensionCodes::kRawByteKey);
      ++raw;
    } else {
      put = PutUtf8(*c, put);
    }
    at += length;
  }
  out.resize(static_cast<std::size_t>(put - out.data()));
  // Raw bytes set side by side can form a valid character ("\xC3" and
  // "\xA9" make "é"): that name would read back as another text.
  if (raw > 0 && bad == 0 && rawBytes == TRawBytes::MustStayApart &&
      CountRawBytes(std::string_view(out).substr(start)) != raw) {
    out.resize(start);
    return false;
  }
  return true;
}

std::optional<std::string> ToUtf8(std::string_view cp932, char bad,
                                  TRawBytes rawBytes = TRawBytes::MustStayApart) {
  std::string out;
  if (!AppendUtf8(out, cp932, bad, rawBytes)) return std::nullopt;
  return out;
}

// UTF-8 to CP932: at most two bytes for each UTF-8 byte (a raw byte takes a
// double-byte extension code).
std::optional<std::string> ToCp932(std::string_view utf8, char bad) {
  if (IsAscii(utf8)) return std::string(utf8);
  const TCodeTables &tables = TCodeTables::Get();
  std::string out(utf8.size() * 2, '\0');
  char *put = out.data();
  std::size_t length = 0;
  for (std::size_t at = 0; at < utf8.size(); at += length) {
    if (const std::size_t run = AsciiRun(utf8, at); run > 0) {
      put = std::copy_n(utf8.data() + at, run, put);
      length = run;
      continue;
    }
    char *end = PutCp932(tables, ReadUtf8(utf8, at, length), put);
    if (end == nullptr) {
      if (bad == 0) return std::nullopt;
      *put++ = bad;
    } else {
      put = end;
    }
  }
  out.resize(static_cast<std::size_t>(put - out.data()));
  return out;
}

std::optional<std::u16string> ToUtf16(std::string_view cp932, char16_t bad) {
  const TCodeTables &tables = TCodeTables::Get();
  std::u16string out;
  out.reserve(cp932.size());
  std::size_t length = 0;
  for (std::size_t at = 0; at < cp932.size(); at += length) {
    const std::optional<char32_t> c = ReadCp932(tables, cp932, at, length);
    if (!c) {
      if (bad == 0) return std::nullopt;
      out += bad;
      length = CharLength(cp932, at);
    } else if (*c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((*c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((*c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(*c);  // a raw-byte key is its lone surrogate
    }
  }
  return out;
}

template <class Map>
std::string MapAscii(std::string_view text, Map map) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size();) {
    const std::size_t length = CharLength(out, i);
    if (length == 1) out[i] = map(out[i]);
    i += length;
  }
  return out;
}

}  // namespace

// ASCII is the same in both encodings (glibc's CP932 keeps 0x5C and 0x7E as
// backslash and tilde), so plain names skip the tables altogether.
std::optional<std::string> Utf8ToCp932(std::string_view utf8) { return ToCp932(utf8, 0); }

bool IsAscii(std::string_view text) { return AsciiRun(text, 0) == text.size(); }

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) { return ToUtf8(cp932, 0); }

std::optional<std::string> Cp932ToUtf8Bytes(std::string_view cp932) {
  return ToUtf8(cp932, 0, TRawBytes::AsTheyCome);
}

std::string Cp932ToUtf8Lossy(std::string_view cp932) { return *ToUtf8(cp932, '?'); }

bool AppendCp932AsUtf8(std::string &out, std::string_view cp932) { return AppendUtf8(out, cp932, 0); }

bool AppendCp932AsUtf8Bytes(std::string &out, std::string_view cp932) {
  return AppendUtf8(out, cp932, 0, TRawBytes::AsTheyCome);
}

std::string Utf8ToCp932Lossy(std::string_view utf8) { return *ToCp932(utf8, '?'); }

std::optional<std::u16string> Cp932ToUtf16(std::string_view cp932) { return ToUtf16(cp932, 0); }

std::u16string Cp932ToUtf16Lossy(std::string_view cp932) { return *ToUtf16(cp932, u'?'); }

std::optional<std::string> Utf16ToCp932(std::u16string_view utf16) {
  const TCodeTables &tables = TCodeTables::Get();
  std::string out(utf16.size() * 2, '\0');
  char *put = out.data();
  for (std::size_t at = 0; at < utf16.size(); ++at) {
    char32_t c = utf16[at];
    if (c >= 0xD800 && c <= 0xDBFF && at + 1 < utf16.size() && utf16[at + 1] >= 0xDC00 &&
        utf16[at + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[++at] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF && !IsRawByteKey(c)) {
      return std::nullopt;  // a broken surrogate pair names no character
    }
    put = PutCp932(tables, c, put);
    if (put == nullptr) return std::nullopt;
  }
  out.resize(static_cast<std::size_t>(put - out.data()));
  return out;
}

bool IsValidUtf8(std::string_view text) { return IsAscii(text) || CountRawBytes(text) == 0; }

bool NeedsUnicode(std::string_view cp932) {
  TExtensionCodes &codes = TExtensionCodes::Instance();
  for (std::size_t at = 0; at < cp932.size();) {
    const std::size_t length = CharLength(cp932, at);
    if (length == 2) {
      const std::optional<int> code = TExtensionCodes::CodeAt(static_cast<unsigned char>(cp932[at]),
                                                              static_cast<unsigned char>(cp932[at + 1]));
      if (code && codes.StandsForOther(*code)) return true;
    }
    at += length;
  }
  return false;
}

std::string UpperCaseCp932(std::string_view text) {
  return MapAscii(text, [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
}

std::string LowerCaseCp932(std::string_view text) {
  return MapAscii(text, [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
}
