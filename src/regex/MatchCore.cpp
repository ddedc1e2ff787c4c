// TMatchCORE: leftmost-longest search over the current DFA.
//
// A search tries each character position in turn (never a trail byte, so
// a one-byte pattern never matches the second byte of a double-byte
// character) and runs the DFA from there as far as it goes, remembering
// the last accepting position.  Line anchors are transitions of their own:
// '^' can only leave the initial state and is tried at line starts, '$' is
// tried where the DFA gets stuck on a line end or at the end of the text.
//
// The subject is the whole string_view.  Its end is the only end: a lead
// byte that ends it is read as a one-byte character, and a pattern
// character with code 0 matches an embedded zero byte but never the end.

#include <cstring>

#include "regex/AWKStr.h"
#include "regex/Dfa.h"
#include "regex/MBChar.h"

namespace {

inline std::size_t NextCharPos(std::string_view text, std::size_t pos) {
  return pos + ((IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1);
}

inline const unsigned char *Bytes(std::string_view text) {
  return reinterpret_cast<const unsigned char *>(text.data());
}

} // namespace

TMatchCORE::TMatchCORE(void *owner) : TRegularExpression(owner) {}

std::size_t TMatchCORE::MatchLongest(std::string_view text, std::size_t start, int state) const {
  if (state < 0) return TMatchSpan::npos;
  const TRE_DFA &dfa = CurrentDFA();
  const unsigned char *bytes = Bytes(text);
  std::size_t result = TMatchSpan::npos;
  std::size_t cursor = start;
  bool atEnd = false;
  bool stuckOnLineEnd = false;
  for (;;) {
    if (dfa.Accepting(state)) result = cursor;
    if (cursor >= text.size()) {
      atEnd = true;
      break;
    }
    const std::size_t at = cursor;
    const int next = dfa.Advance(state, bytes, text.size(), cursor);
    if (next < 0) {
      stuckOnLineEnd = cursor - at == 1 && IsLineEndChar(bytes[at]);
      break;
    }
    state = next;
  }
  // A '$' is satisfied where the DFA got stuck on a line end (which is not
  // part of the match) or at the end of the text.
  if ((atEnd || stuckOnLineEnd) && dfa.NextLTail(state) >= 0) return atEnd ? cursor : cursor - 1;
  return result;
}

std::size_t TMatchCORE::MatchAtLineStart(std::string_view text, std::size_t start, int state) const {
  const TRE_DFA &dfa = CurrentDFA();
  if (!dfa.LHead) return MatchLongest(text, start, state);
  const std::size_t anchored = MatchLongest(text, start, state < 0 ? -1 : dfa.NextLHead(state));
  if (anchored == TMatchSpan::npos) return TMatchSpan::npos;
  const std::size_t plain = MatchLongest(text, start, state);
  return (plain != TMatchSpan::npos && plain >= anchored) ? plain : anchored;
}

TMatchSpan TMatchCORE::SearchPlain(std::string_view text) const {
  const TRE_DFA &dfa = CurrentDFA();
  const int initial = dfa.InitialState;
  if (text.empty()) {
    if (dfa.Accepting(initial)) return {0, 0};
    return {};
  }
  const unsigned char *bytes = Bytes(text);
  const std::size_t size = text.size();
  const bool everywhere = dfa.Accepting(initial);
  const int initialPacked = dfa.PackedState(initial);
  const int single = dfa.SingleStartByte();
  std::size_t s = 0;
  while (s < size) {
    if (single >= 0) {
      // One possible first byte: find it with memchr, then walk the
      // characters up to it, since it may be the trail byte of another.
      const void *hit = std::memchr(bytes + s, single, size - s);
      if (hit == nullptr) return {};
      const auto k = static_cast<std::size_t>(static_cast<const unsigned char *>(hit) - bytes);
      while (s < k) s = NextCharPos(text, s);
      if (s != k) continue;
    } else if (!everywhere) {
      // Skip, a whole character at a time, the bytes no match starts with.
      while (!dfa.CanStart(bytes[s])) {
        s = NextCharPos(text, s);
        if (s >= size) return {};
      }
    }
    int packed = initialPacked;
    std::size_t cursor = s;
    std::size_t end = TMatchSpan::npos;
    for (;;) {
      if (packed & 1) end = cursor;
      if (cursor >= size) break;
      packed = dfa.AdvancePacked(packed, bytes, size, cursor);
      if (packed < 0) break;
    }
    if (end != TMatchSpan::npos) return {s, end};
    s = NextCharPos(text, s);
  }
  return {};
}

TMatchSpan TMatchCORE::SearchFromLineStart(std::string_view text) const {
  const std::size_t end = MatchAtLineStart(text, 0, CurrentDFA().InitialState);
  if (end != TMatchSpan::npos) return {0, end};
  return SearchInLine(text);
}

TMatchSpan TMatchCORE::SearchInLine(std::string_view text) const {
  const TRE_DFA &dfa = CurrentDFA();
  const int initial = dfa.InitialState;
  // Without an accepting initial state or a '$' from it, a start byte the
  // DFA cannot take gives no match.
  const bool filter = !dfa.Accepting(initial) && dfa.NextLTail(initial) < 0;
  if (text.empty()) {
    // The loop below tries no position in an empty text, which would lose
    // the empty match of an expression like '^a|b?' whose anchored path
    // failed; try the one position there is.
    const std::size_t end = MatchLongest(text, 0, initial);
    if (end != TMatchSpan::npos) return {0, end};
  }
  for (std::size_t s = 0; s < text.size(); s = NextCharPos(text, s)) {
    if (!filter || dfa.CanStart(static_cast<unsigned char>(text[s]))) {
      const std::size_t end = MatchLongest(text, s, initial);
      if (end != TMatchSpan::npos) return {s, end};
    }
    if (text[s] == '\n' && dfa.LHead) {
      const std::size_t end = MatchAtLineStart(text, s + 1, initial);
      if (end != TMatchSpan::npos) return {s + 1, end};
    }
  }
  if (dfa.LTail && dfa.NextLTail(initial) >= 0) return {text.size(), text.size()};
  return {};
}
