// Writes glibc's CP932 as the constant tables Cp932.cpp converts with, at
// build time, so a process starts with them instead of asking iconv for
// some 20,000 codes first (3 ms of every start).
//
// A Unicode character counts as Shift-JIS when glibc maps some CP932 code to
// it and glibc's own code for it maps back to it.  The user-defined area
// (lead bytes 0xF0-0xF9) is left out: its codes belong to the extension
// table.
//
// Usage: korvane-make-cp932-tables OUTPUT

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Cp932.h"

namespace {

constexpr char32_t kNone = 0xFFFFFFFF;

// Converts codes of `width` bytes each with one iconv call per run of valid
// codes; `sink` gets each code that has a character, with it.  A code
// without one stops iconv, and is passed over.
template <class Sink>
void ToUnicode(iconv_t cd, const std::vector<unsigned char> &codes, std::size_t width, Sink sink) {
  std::vector<unsigned char> out(codes.size() / width * 4);
  std::size_t done = 0;
  while (done < codes.size()) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *in = reinterpret_cast<char *>(const_cast<unsigned char *>(codes.data() + done));
    std::size_t inLeft = codes.size() - done;
    char *outPtr = reinterpret_cast<char *>(out.data());
    std::size_t outLeft = out.size();
    const bool stopped = iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1);
    const std::size_t converted = (codes.size() - done - inLeft) / width;
    for (std::size_t k = 0; k < converted; ++k) {
      const unsigned char *c = out.data() + 4 * k;
      sink(codes.data() + done + k * width, static_cast<char32_t>(c[0] | c[1] << 8 | c[2] << 16 | c[3] << 24));
    }
    done += converted * width + (stopped ? width : 0);
  }
}

// Converts characters to CP932; `sink` gets each with its code's bytes.
template <class Sink>
void FromUnicode(iconv_t cd, const std::vector<char32_t> &characters, Sink sink) {
  std::vector<unsigned char> in;
  for (char32_t c : characters) {
    for (int shift = 0; shift < 32; shift += 8) in.push_back(static_cast<unsigned char>(c >> shift));
  }
  std::vector<unsigned char> out(characters.size() * 2);
  std::size_t done = 0;  // characters
  while (done < characters.size()) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *inPtr = reinterpret_cast<char *>(in.data() + done * 4);
    std::size_t inLeft = in.size() - done * 4;
    char *outPtr = reinterpret_cast<char *>(out.data());
    std::size_t outLeft = out.size();
    const bool stopped = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1);
    const std::size_t converted = (in.size() - done * 4 - inLeft) / 4;
    const unsigned char *code = out.data();
    for (std::size_t k = 0; k < converted; ++k) {
      const std::size_t length = IsDBCSLeadByte(*code) ? 2 : 1;
      sink(characters[done + k], code, length);
      code += length;
    }
    done += converted + (stopped ? 1 : 0);
  }
}

// A BMP character's UTF-8 bytes, lowest first, with the count in the top byte.
std::uint32_t PackedUtf8(char32_t c) {
  if (c < 0x80) return 1u << 24 | c;
  if (c < 0x800) return 2u << 24 | (0x80 | (c & 0x3F)) << 8 | (0xC0 | c >> 6);
  return 3u << 24 | (0x80 | (c & 0x3F)) << 16 | (0x80 | (c >> 6 & 0x3F)) << 8 | (0xE0 | c >> 12);
}

template <class T>
bool WriteTable(std::FILE *out, const char *type, const char *name, const T *values, std::size_t count) {
  std::fprintf(out, "alignas(64) constexpr %s %s[%zu] = {\n", type, name, count);
  for (std::size_t i = 0; i < count; ++i) {
    std::fprintf(out, "0x%llx,%s", static_cast<unsigned long long>(values[i]), i % 16 == 15 ? "\n" : "");
  }
  return std::fprintf(out, "};\n") > 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT\n", argv[0]);
    return 2;
  }
  iconv_t toUnicode = iconv_open("UTF-32LE", "CP932");
  iconv_t fromUnicode = iconv_open("CP932", "UTF-32LE");
  if (toUnicode == reinterpret_cast<iconv_t>(-1) || fromUnicode == reinterpret_cast<iconv_t>(-1)) {
    std::fprintf(stderr, "%s: iconv cannot convert between CP932 and UTF-32\n", argv[0]);
    return 1;
  }
  std::array<char32_t, 0x100> single;
  std::vector<char16_t> doubles(0x10000, 0);
  std::vector<std::uint32_t> utf8Doubles(0x10000, 0);
  std::vector<std::uint16_t> codes(0x10000, 0);

  single.fill(kNone);
  std::vector<unsigned char> bytes;
  for (int b = 0; b < 0x100; ++b) {
    if (!IsDBCSLeadByte(static_cast<unsigned char>(b))) bytes.push_back(static_cast<unsigned char>(b));
  }
  ToUnicode(toUnicode, bytes, 1, [&](const unsigned char *code, char32_t c) { single[code[0]] = c; });
  bytes.clear();
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsDBCSLeadByte(static_cast<unsigned char>(lead)) || (lead >= 0xF0 && lead <= 0xF9)) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      bytes.push_back(static_cast<unsigned char>(lead));
      bytes.push_back(static_cast<unsigned char>(trail));
    }
  }
  ToUnicode(toUnicode, bytes, 2, [&](const unsigned char *code, char32_t c) {
    if (c != 0 && c < 0x10000) doubles[code[0] << 8 | code[1]] = static_cast<char16_t>(c);
  });
  for (std::size_t code = 0; code < doubles.size(); ++code) {
    if (const char32_t c = doubles[code]; c != 0) utf8Doubles[code] = PackedUtf8(c);
  }
  // glibc's own code for each character reached, kept only when it leads
  // back to the character (several NEC and IBM codes share one).
  std::vector<char32_t> characters;
  for (int b = 0x80; b < 0x100; ++b) {
    if (single[b] != kNone && single[b] < 0x10000) characters.push_back(single[b]);
  }
  for (char16_t c : doubles) {
    if (c != 0) characters.push_back(c);
  }
  std::sort(characters.begin(), characters.end());
  characters.erase(std::unique(characters.begin(), characters.end()), characters.end());
  FromUnicode(fromUnicode, characters, [&](char32_t c, const unsigned char *out, std::size_t length) {
    if (length == 1 && single[out[0]] == c) {
      codes[c] = out[0];
    } else if (length == 2 && doubles[out[0] << 8 | out[1]] == c) {
      codes[c] = static_cast<std::uint16_t>(out[0] << 8 | out[1]);
    }
  });
  iconv_close(toUnicode);
  iconv_close(fromUnicode);

  // Written beside and then put in place, so a build stopped half-way
  // leaves no half table behind.
  const std::string temporary = std::string(argv[1]) + ".part";
  std::FILE *out = std::fopen(temporary.c_str(), "w");
  if (out == nullptr) {
    std::perror(temporary.c_str());
    return 1;
  }
  std::fprintf(out, "// glibc's CP932, written at build time by MakeCp932Tables.cpp.\n");
  bool ok = WriteTable(out, "char32_t", "kSingleTable", single.data(), single.size()) &&
            WriteTable(out, "char16_t", "kDoubleTable", doubles.data(), doubles.size()) &&
            WriteTable(out, "std::uint32_t", "kUtf8DoubleTable", utf8Doubles.data(), utf8Doubles.size()) &&
            WriteTable(out, "std::uint16_t", "kFromUnicodeTable", codes.data(), codes.size());
  ok = std::fclose(out) == 0 && ok;
  if (!ok || std::rename(temporary.c_str(), argv[1]) != 0) {
    std::perror(argv[1]);
    std::remove(temporary.c_str());
    return 1;
  }
  return 0;
}
