#include "regex/MBChar.h"

#include <algorithm>

#include "regex/Messages.h"
#include "regex/RegExpError.h"

ERegExpParser::ERegExpParser(const std::string &message, int errorPos)
    : EKorvaneError(message), ErrorPos(std::clamp(errorPos, 0, 65535)) {}

std::uint16_t GetMBChar(std::string_view text, int &pos) {
  const int length = static_cast<int>(text.size());
  if (pos < 1 || pos > length) return 0;
  const auto lead = static_cast<unsigned char>(text[pos - 1]);
  if (!IsLeadByte(lead)) {
    ++pos;
    return lead;
  }
  if (pos == length) throw ERegExpParser(regex_messages::kInvalidDoubleByte, pos);
  const auto trail = static_cast<unsigned char>(text[pos]);
  pos += 2;
  return static_cast<std::uint16_t>(lead << 8 | trail);
}

void UnGetMBChar(std::string_view text, int &pos) {
  if (pos <= 1) return;
  if (pos == 2) {
    pos = 1;
    return;
  }
  const int last = std::min(pos - 1, static_cast<int>(text.size())); // last byte read
  int leads = 0;
  for (int k = last - 1; k >= 2 && IsLeadByte(static_cast<unsigned char>(text[k - 1])); --k) ++leads;
  pos -= (leads % 2 == 1) ? 2 : 1;
}

std::string MBCharToStr(std::uint16_t code) {
  const auto high = static_cast<unsigned char>(code >> 8);
  const auto low = static_cast<char>(code & 0xFF);
  if (IsLeadByte(high)) return std::string{static_cast<char>(high), low};
  return std::string(1, low);
}

namespace {

int HexValue(std::uint16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads up to maxDigits digits of the given base.  The character that ends
// the digits is put back unless the text had ended.
std::uint16_t ReadNumber(std::string_view text, int &pos, int base, int maxDigits, const char *message) {
  std::uint32_t value = 0;
  int digits = 0;
  for (;;) {
    const int before = pos;
    const std::uint16_t c = GetMBChar(text, pos);
    const int digit = HexValue(c);
    if (digits < maxDigits && digit >= 0 && digit < base) {
      value = value * base + digit;
      if (value > 0xFFFF) throw ERegExpParser(message, pos);
      ++digits;
      continue;
    }
    if (pos != before) UnGetMBChar(text, pos);
    break;
  }
  if (digits == 0) throw ERegExpParser(message, pos);
  return static_cast<std::uint16_t>(value);
}

} // namespace

std::uint16_t GetEscapeChar(std::string_view text, int &pos) {
  const std::uint16_t c = GetMBChar(text, pos);
  switch (c) {
  case 0:
    throw ERegExpParser(regex_messages::kCharAfterBackslash, pos);
  case 'b':
    return 8;
  case 'r':
    return 13;
  case 'n':
    return 10;
  case 't':
    return 9;
  case 'x':
    return ReadNumber(text, pos, 16, 4, regex_messages::kInvalidHex);
  default:
    break;
  }
  if (c >= '0' && c <= '7') {
    UnGetMBChar(text, pos);
    return ReadNumber(text, pos, 8, 6, regex_messages::kInvalidOctal);
  }
  return c;
}

std::string QuoteMetaChars(std::string_view word) {
  std::string out;
  out.reserve(word.size() * 2);
  for (std::size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    if (IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < word.size()) {
      out += c;
      out += word[++i];
      continue;
    }
    switch (c) {
    case '^': case '(': case '|': case ')': case '+': case '*':
    case '?': case '.': case '[': case ']': case '$': case '\\':
      out += '\\';
      break;
    default:
      break;
    }
    out += c;
  }
  return out;
}
