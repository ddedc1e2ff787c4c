#pragma once
// Scans of a subject for its next "stop byte": a byte that begins a
// character that matters to the matcher (one a match can start with, or
// one that can leave a DFA state that every other character keeps).
//
// The search for a stop byte ignores characters, which leaves the loop no
// dependency from one byte to the next, and only a byte that stops it is
// checked for being the second byte of a character: the byte after one
// that cannot be a lead byte begins a character (it follows a one-byte
// character or a trail byte), so an even number of lead-byte values
// between such a byte (or the last known start) and the candidate means
// the candidate begins a character.  (Testing sixteen bytes at once with
// SSE2 was tried: names are too short for it to pay.)

#include <array>
#include <cstddef>
#include <cstdint>

struct TStopSet {
  static constexpr std::uint8_t kStop = 1;
  static constexpr std::uint8_t kLeadByte = 2;

  // Per byte: kStop for a stop byte, kLeadByte when it begins a
  // double-byte character.
  std::array<std::uint8_t, 256> Flags{};

  int Count() const {
    int n = 0;
    for (std::uint8_t f : Flags) n += (f & kStop) != 0 ? 1 : 0;
    return n;
  }
};

// The first character position from s (itself one) whose byte is a stop
// byte of set; size when there is none.
inline std::size_t SkipToStop(const TStopSet &set, const unsigned char *bytes, std::size_t s, std::size_t size) {
  std::size_t known = s; // a character begins here
  for (std::size_t k = s; k < size; ++k) {
    if ((set.Flags[bytes[k]] & TStopSet::kStop) == 0) continue;
    std::size_t j = k;
    while (j > known && (set.Flags[bytes[j - 1]] & TStopSet::kLeadByte) != 0) --j;
    if (((k - j) & 1) == 0) return k;
    known = k + 1; // k is a trail byte; each byte is looked back at once
  }
  return size;
}
