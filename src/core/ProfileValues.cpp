#include "core/ProfileValues.h"

#include <array>
#include <cstdint>
#include <limits>

#include "platform/Cp932.h"

std::string ProfileText(std::string_view stored) {
  // Quotes and trail bytes never collide: trail bytes are 0x40 and above.
  if (stored.size() >= 2 && (stored.front() == '"' || stored.front() == '\'') &&
      stored.back() == stored.front()) {
    stored = stored.substr(1, stored.size() - 2);
  }
  if (stored.size() > kMaxValueBytes) {
    std::size_t end = 0;
    while (end < kMaxValueBytes) {
      const std::size_t width = IsDBCSLeadByte(static_cast<unsigned char>(stored[end])) ? 2 : 1;
      if (end + width > kMaxValueBytes) break;
      end += width;
    }
    stored = stored.substr(0, end);
  }
  return std::string(stored);
}

namespace {

std::optional<int> ParseHex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value << 4 | digit;
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

std::optional<int> ParseDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > std::int64_t{std::numeric_limits<int>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(value);
}

bool IsFieldChar(char c) { return (c >= '0' && c <= '9') || c == ' '; }

template <std::size_t N>
std::string NormaliseMasked(std::string_view text, char separator,
                            const std::array<std::size_t, N> &widths) {
  std::string result;
  for (std::size_t field = 0; field < N; ++field) {
    const std::size_t end = text.find(separator);
    const std::string_view part = text.substr(0, end);
    std::string digits;
    for (const char c : part) {
      if (IsFieldChar(c)) digits.push_back(c);
    }
    const std::size_t width = widths[field];
    if (digits.size() > width) digits.erase(0, digits.size() - width);
    if (field > 0) result.push_back(separator);
    result.append(width - digits.size(), ' ').append(digits);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return result;
}

}  // namespace

std::optional<int> ParseProfileInteger(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return ParseHex(text.substr(2));
  }
  if (!text.empty() && text[0] == '$') return ParseHex(text.substr(1));
  return ParseDecimal(text);
}

std::string NormaliseDateText(std::string_view text) {
  return NormaliseMasked<3>(text, '/', {4, 2, 2});
}

std::string NormaliseTimeText(std::string_view text) {
  return NormaliseMasked<3>(text, ':', {2, 2, 2});
}
