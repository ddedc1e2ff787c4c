// TMatchCORE: leftmost-longest search over the current expression.
//
// A search tries each character position in turn (never a trail byte, so
// a one-byte pattern never matches the second byte of a double-byte
// character) and walks the automaton from there as far as it goes,
// remembering the last accepting position.  Line anchors are transitions
// of their own: '^' can only leave the start state and is tried at line
// starts, '$' is tried where the walk gets stuck on a line end or at the
// end of the text.
//
// A walk runs on the lazy DFA; when the DFA gives up (its cache cannot
// keep up with the subject, see Dfa.h), the walk is run again from its
// start by NFA simulation, and so is every later walk of the same search.
// Both give the same answers, the NFA only more slowly.
//
// The subject is the whole string_view.  Its end is the only end: a lead
// byte that ends it is read as a one-byte character, and a pattern
// character with code 0 matches an embedded zero byte but never the end.

#include <algorithm>
#include <cstring>

#include "regex/AWKStr.h"
#include "regex/Dfa.h"
#include "regex/MBChar.h"
#include "regex/NfaSimulation.h"

namespace {

inline std::size_t NextCharPos(std::string_view text, std::size_t pos) {
  return pos + ((IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1);
}

inline const unsigned char *Bytes(std::string_view text) {
  return reinterpret_cast<const unsigned char *>(text.data());
}

// The two automata a walk can run on.  Start and Step answer 1 (a state),
// 0 (none: the walk ends, the last state stays current) or -1 (the DFA
// gave up).
class TDfaWalker {
public:
  explicit TDfaWalker(const TRE_DFA &dfa) : dfa_(dfa) {}
  int Start(bool anchored) { return Take(anchored ? dfa_.AnchoredStart() : dfa_.Start()); }
  int Step(const unsigned char *bytes, std::size_t size, std::size_t &cursor) {
    return Take(dfa_.Next(state_, dfa_.Program().ReadClass(bytes, size, cursor)));
  }
  bool Accepting() const { return TRE_DFA::Accepting(state_); }
  bool HasLTail() const { return dfa_.HasLTail(state_); }

private:
  int Take(int next) {
    if (next >= 0) {
      state_ = next;
      return 1;
    }
    return next == TRE_DFA::kDead ? 0 : -1;
  }
  const TRE_DFA &dfa_;
  int state_ = 0;
};

class TNfaWalker {
public:
  TNfaWalker(const TRE_DFA &dfa) : program_(dfa.Program()), simulation_(dfa.Simulation()) {}
  int Start(bool anchored) { return simulation_.Start(anchored) ? 1 : 0; }
  int Step(const unsigned char *bytes, std::size_t size, std::size_t &cursor) {
    return simulation_.Step(program_.ReadClass(bytes, size, cursor)) ? 1 : 0;
  }
  bool Accepting() const { return simulation_.Accepting(); }
  bool HasLTail() const { return simulation_.HasLTail(); }

private:
  const TREProgram &program_;
  TRE_NFASimulation &simulation_;
};

// The longest match from start (npos: none) into end; false when the
// walker gave up.
template <class TWalker>
bool WalkLongest(TWalker &walker, std::string_view text, std::size_t start, bool anchored, unsigned char lineEnd,
                 std::size_t &end) {
  end = TMatchSpan::npos;
  const int started = walker.Start(anchored);
  if (started <= 0) return started == 0;
  const unsigned char *bytes = Bytes(text);
  std::size_t cursor = start;
  bool atEnd = false;
  bool stuckOnLineEnd = false;
  for (;;) {
    if (walker.Accepting()) end = cursor;
    if (cursor >= text.size()) {
      atEnd = true;
      break;
    }
    const std::size_t at = cursor;
    const int stepped = walker.Step(bytes, text.size(), cursor);
    if (stepped < 0) return false;
    if (stepped == 0) {
      stuckOnLineEnd = cursor - at == 1 && bytes[at] == lineEnd;
      break;
    }
  }
  // A '$' is satisfied where the walk got stuck on a line end (which is not
  // part of the match) or at the end of the text.
  if ((atEnd || stuckOnLineEnd) && walker.HasLTail()) end = atEnd ? cursor : cursor - 1;
  return true;
}

} // namespace

TMatchCORE::TMatchCORE(void *owner) : TRegularExpression(owner) {}

std::size_t TMatchCORE::MatchLongest(std::string_view text, std::size_t start, bool anchored) const {
  const TRE_DFA &dfa = CurrentDFA();
  const unsigned char lineEnd = LineSeparator == mcls_CRLF ? 13 : 10;
  std::size_t end = TMatchSpan::npos;
  if (!dfa.GaveUp()) {
    TDfaWalker walker(dfa);
    if (WalkLongest(walker, text, start, anchored, lineEnd, end)) return end;
  }
  TNfaWalker walker(dfa);
  WalkLongest(walker, text, start, anchored, lineEnd, end);
  return end;
}

std::size_t TMatchCORE::MatchAtLineStart(std::string_view text, std::size_t start) const {
  if (!CurrentDFA().LHead) return MatchLongest(text, start, false);
  const std::size_t anchored = MatchLongest(text, start, true);
  if (anchored == TMatchSpan::npos) return TMatchSpan::npos;
  const std::size_t plain = MatchLongest(text, start, false);
  return (plain != TMatchSpan::npos && plain >= anchored) ? plain : anchored;
}

TMatchSpan TMatchCORE::SearchPlain(std::string_view text) const {
  const TRE_DFA &dfa = CurrentDFA();
  dfa.BeginSearch();
  if (text.empty()) {
    if (dfa.InitialAccepting()) return {0, 0};
    return {};
  }
  const unsigned char *bytes = Bytes(text);
  const std::size_t size = text.size();
  const TREProgram &program = dfa.Program();
  const bool everywhere = dfa.InitialAccepting();
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
      s = SkipToStop(dfa.StartStops(), bytes, s, size);
      if (s >= size) return {};
    }
    std::size_t end = TMatchSpan::npos;
    int packed = dfa.GaveUp() ? TRE_DFA::kGiveUp : dfa.Start();
    if (packed >= 0) {
      // The DFA walk of MatchLongest, by hand: without anchors there is no
      // '$' to try, and the row lookup stays in this loop.  It leaves its
      // state at every position it passes and stops where an earlier walk
      // of this search, which found nothing, was in a state that covers its
      // own (see Dfa.h).  Once the walk has accepted, the search ends with
      // it: what it leaves would never be read, and it neither leaves nor
      // looks at anything more.
      const std::int32_t *table = dfa.Table();
      TRE_DFA::TVisit *const visits = dfa.Visits(size);
      const std::size_t accelerationEntry = dfa.AccelerationEntry();
      std::uint32_t stamp = dfa.VisitStamp();
      std::size_t cursor = s;
      for (;;) {
        if (packed & 1) end = cursor;
        if (end == TMatchSpan::npos) {
          TRE_DFA::TVisit &visit = visits[cursor];
          if (visit.Stamp == stamp && (visit.State == packed || dfa.Covers(visit.State, packed))) break;
          visit = {stamp, packed};
        }
        if (cursor >= size) break;
        const int cls = program.ReadClass(bytes, size, cursor);
        // Both are small and not negative: a 32-bit sum needs no extension.
        int next = table[static_cast<std::uint32_t>(packed + cls)];
        if (next == TRE_DFA::kUnknown) {
          next = dfa.Next(packed, cls);
          table = dfa.Table();
          stamp = dfa.VisitStamp(); // a dropped cache forgets the walks
        }
        if (next < 0) {
          packed = next;
          break;
        }
        if (next == packed && table[static_cast<std::size_t>(packed) + accelerationEntry] != TRE_DFA::kNoAcceleration) {
          // A state that only a few characters leave: scan for the next of
          // them (see Dfa.h).  Looking at a state for the first time adds
          // no state, so the table stays where it is.
          if (const TStopSet *stops = dfa.Acceleration(packed)) {
            // The positions passed over are left the state, as steps
            // would have left it, so that later walks stop there too.
            const std::size_t from = cursor;
            cursor = SkipToStop(*stops, bytes, cursor, size);
            if (end == TMatchSpan::npos) std::fill(visits + from, visits + cursor, TRE_DFA::TVisit{stamp, packed});
          }
        }
        packed = next;
      }
    }
    if (packed == TRE_DFA::kGiveUp) end = MatchLongest(text, s, false); // by the NFA, the DFA having given up
    if (end != TMatchSpan::npos) return {s, end};
    s = NextCharPos(text, s);
  }
  return {};
}

TMatchSpan TMatchCORE::SearchFromLineStart(std::string_view text) const {
  CurrentDFA().BeginSearch();
  const std::size_t end = MatchAtLineStart(text, 0);
  if (end != TMatchSpan::npos) return {0, end};
  return SearchInLineFrom(text);
}

TMatchSpan TMatchCORE::SearchInLine(std::string_view text) const {
  CurrentDFA().BeginSearch();
  return SearchInLineFrom(text);
}

TMatchSpan TMatchCORE::SearchInLineFrom(std::string_view text) const {
  const TRE_DFA &dfa = CurrentDFA();
  // Without an accepting start state or a '$' from it, a start byte the
  // DFA cannot take gives no match.
  const bool filter = !dfa.InitialAccepting() && !dfa.InitialHasLTail();
  if (text.empty()) {
    // The loop below tries no position in an empty text, which would lose
    // the empty match of an expression like '^a|b?' whose anchored path
    // failed; try the one position there is.
    const std::size_t end = MatchLongest(text, 0, false);
    if (end != TMatchSpan::npos) return {0, end};
  }
  for (std::size_t s = 0; s < text.size(); s = NextCharPos(text, s)) {
    if (!filter || dfa.CanStart(static_cast<unsigned char>(text[s]))) {
      const std::size_t end = MatchLongest(text, s, false);
      if (end != TMatchSpan::npos) return {s, end};
    }
    if (text[s] == '\n' && dfa.LHead) {
      const std::size_t end = MatchAtLineStart(text, s + 1);
      if (end != TMatchSpan::npos) return {s + 1, end};
    }
  }
  if (dfa.LTail && dfa.InitialHasLTail()) return {text.size(), text.size()};
  return {};
}
