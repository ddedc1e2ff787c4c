// The case pairs of code page 932 are contiguous runs at a fixed distance
// (full-width Ａ-Ｚ 0x8260 and ａ-ｚ 0x8281, Greek Α-Ω 0x839F and α-ω
// 0x83BF), except Cyrillic: а-я starts at 0x8470 but skips 0x847F, which
// is no trail byte at all, so the letters from о on sit one code higher.

#include "platform/CharCase.h"

namespace {

struct TCaseRun {
  std::uint16_t Upper;
  std::uint16_t Lower;
  std::uint16_t Count;
};

constexpr TCaseRun kRuns[] = {
    {0x8260, 0x8281, 26},  // full-width Latin
    {0x839F, 0x83BF, 24},  // Greek
    {0x8440, 0x8470, 15},  // Cyrillic А-Н (Ё included)
    {0x844F, 0x8480, 18},  // Cyrillic О-Я, after the gap at 0x847F
};

}  // namespace

std::uint16_t FoldedCharCode(std::string_view character) {
  if (character.size() < 2) {
    const auto byte = static_cast<unsigned char>(character.empty() ? 0 : character[0]);
    return byte >= 'a' && byte <= 'z' ? static_cast<std::uint16_t>(byte - 'a' + 'A') : byte;
  }
  const auto code = static_cast<std::uint16_t>((static_cast<unsigned char>(character[0]) << 8) |
                                               static_cast<unsigned char>(character[1]));
  for (const TCaseRun &run : kRuns) {
    if (code >= run.Lower && code < run.Lower + run.Count)
      return static_cast<std::uint16_t>(run.Upper + (code - run.Lower));
  }
  return code;
}
