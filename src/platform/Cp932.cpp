// CP932 <-> UTF-8 through glibc iconv.  Conversions are strict: iconv is
// opened without //TRANSLIT or //IGNORE, so a character without a
// counterpart is a failure, never a look-alike.  A file name converted by
// guessing could name another file.
//
// Opening an iconv descriptor costs far more than converting one name, and
// the folder listing converts every name, so each thread keeps one
// descriptor per direction and resets its shift state before each use.

#include "platform/Cp932.h"

#include <iconv.h>

#include <cerrno>

#include "platform/Errors.h"

namespace {

class TIconv {
public:
  TIconv(const char *to, const char *from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw EKorvaneError(std::string("iconv cannot convert from ") + from + " to " + to);
    }
  }
  TIconv(const TIconv &) = delete;
  TIconv &operator=(const TIconv &) = delete;
  ~TIconv() { iconv_close(cd_); }

  // Converts the whole input or nothing.
  std::optional<std::string> Convert(std::string_view input, std::size_t outFactor) {
    Reset();
    std::string out(input.size() * outFactor + 4, '\0');
    char *in = const_cast<char *>(input.data());
    std::size_t inLeft = input.size();
    char *outPtr = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
      if (iconv(cd_, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) continue;
      if (errno != E2BIG) return std::nullopt;  // EILSEQ or a truncated character
      const std::size_t used = static_cast<std::size_t>(outPtr - out.data());
      out.resize(out.size() * 2);
      outPtr = out.data() + used;
      outLeft = out.size() - used;
    }
    out.resize(static_cast<std::size_t>(outPtr - out.data()));
    return out;
  }

  // Converts as much as it can; returns how much of `input` was consumed
  // and appends the output.  Stops at the first character it cannot take.
  std::size_t ConvertPrefix(std::string_view input, std::string &out) {
    char buffer[256];
    char *in = const_cast<char *>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
      char *outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      const std::size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
      if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) break;
    }
    return input.size() - inLeft;
  }

  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

private:
  iconv_t cd_;
};

TIconv &ToCp932() {
  thread_local TIconv converter("CP932", "UTF-8");
  return converter;
}

TIconv &ToUtf8() {
  thread_local TIconv converter("UTF-8", "CP932");
  return converter;
}

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

std::size_t CharLength(std::string_view text, std::size_t at) {
  return IsDBCSLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// Length of the UTF-8 sequence that starts with `byte`, 1 for a stray byte.
std::size_t Utf8Length(unsigned char byte) {
  if (byte >= 0xF0 && byte <= 0xF4) return 4;
  if (byte >= 0xE0) return byte <= 0xEF ? 3 : 1;
  if (byte >= 0xC2) return 2;
  return 1;
}

// Bytes to pass over at an unconvertible UTF-8 character: the sequence its
// first byte announces, but never an ASCII byte that follows a broken one.
std::size_t Utf8Skip(std::string_view text, std::size_t at) {
  const std::size_t length = Utf8Length(static_cast<unsigned char>(text[at]));
  std::size_t skip = 1;
  while (skip < length && at + skip < text.size() &&
         (static_cast<unsigned char>(text[at + skip]) & 0xC0) == 0x80) {
    ++skip;
  }
  return skip;
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

bool IsDBCSLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// ASCII is the same in both encodings (glibc's CP932 keeps 0x5C and 0x7E as
// backslash and tilde), so plain names skip iconv altogether.
std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  return ToCp932().Convert(utf8, 1);
}

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  return ToUtf8().Convert(cp932, 3);
}

std::string Cp932ToUtf8Lossy(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  TIconv &converter = ToUtf8();
  converter.Reset();
  std::string out;
  out.reserve(cp932.size() * 3);
  std::size_t at = 0;
  while (at < cp932.size()) {
    at += converter.ConvertPrefix(cp932.substr(at), out);
    if (at >= cp932.size()) break;
    out += '?';
    at += CharLength(cp932, at);
    converter.Reset();
  }
  return out;
}

std::string Utf8ToCp932Lossy(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  TIconv &converter = ToCp932();
  converter.Reset();
  std::string out;
  out.reserve(utf8.size());
  std::size_t at = 0;
  while (at < utf8.size()) {
    at += converter.ConvertPrefix(utf8.substr(at), out);
    if (at >= utf8.size()) break;
    out += '?';
    at += Utf8Skip(utf8, at);
    converter.Reset();
  }
  return out;
}

std::string UpperCaseCp932(std::string_view text) {
  return MapAscii(text, [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
}

std::string LowerCaseCp932(std::string_view text) {
  return MapAscii(text, [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
}
