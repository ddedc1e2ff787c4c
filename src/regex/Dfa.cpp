#include "regex/Dfa.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "regex/MBChar.h"
#include "regex/Messages.h"
#include "regex/RegExpError.h"

namespace {

// Budget of the subset construction.  Every pattern a person writes for
// file names needs a few hundred states at most; the budget keeps a
// pathological one to a few tens of milliseconds before it is refused.
constexpr std::size_t kMaxStates = 10'000;
constexpr std::size_t kMaxWork = 10'000'000;
constexpr std::size_t kMaxTransitions = 1'000'000; // about 12 MB

std::uint64_t HashSet(const TRE_NFAStateSet &set) {
  std::uint64_t h = 1469598103934665603ull;
  for (int s : set) h = (h ^ static_cast<std::uint32_t>(s)) * 1099511628211ull;
  return h;
}

std::uint64_t LabelKey(const TRELabel &label) {
  return std::uint64_t{label.Low} << 24 | std::uint64_t{label.High} << 8 | label.Kind;
}

struct TMove {
  TRELabel Label;
  std::vector<int> Targets;
};

// A literal '^' or '$' keeps its own one-character label and may fall
// inside a range label of the same state.  Splits the character labels
// into disjoint pieces, each with the union of the targets that cover it,
// so that the lookup never has to choose between two paths.
void SplitOverlappingLabels(std::vector<TMove> &moves) {
  std::vector<const TMove *> chars;
  for (const TMove &move : moves)
    if (move.Label.Kind == rel_Char) chars.push_back(&move);
  std::sort(chars.begin(), chars.end(), [](const TMove *a, const TMove *b) { return a->Label.Low < b->Label.Low; });
  bool overlap = false;
  for (std::size_t k = 1; k < chars.size() && !overlap; ++k) {
    overlap = chars[k]->Label.Low <= chars[k - 1]->Label.High;
  }
  if (!overlap) return;
  std::vector<std::uint32_t> points;
  for (const TMove *move : chars) {
    points.push_back(move->Label.Low);
    points.push_back(std::uint32_t{move->Label.High} + 1);
  }
  std::sort(points.begin(), points.end());
  points.erase(std::unique(points.begin(), points.end()), points.end());
  std::vector<TMove> refined;
  for (std::size_t k = 0; k + 1 < points.size(); ++k) {
    const std::uint32_t low = points[k];
    const std::uint32_t high = points[k + 1] - 1;
    TMove piece{{static_cast<std::uint16_t>(low), static_cast<std::uint16_t>(high), rel_Char}, {}};
    for (const TMove *move : chars)
      if (move->Label.Low <= low && high <= move->Label.High)
        piece.Targets.insert(piece.Targets.end(), move->Targets.begin(), move->Targets.end());
    if (!piece.Targets.empty()) refined.push_back(std::move(piece));
  }
  for (TMove &move : moves)
    if (move.Label.Kind != rel_Char) refined.push_back(std::move(move));
  moves = std::move(refined);
}

} // namespace

void TRE_DFA::Charge(std::size_t units) {
  work_ += units;
  if (work_ > kMaxWork || StateList.size() > kMaxStates) throw ERegExpParser(regex_messages::kTooComplex, 0);
}

void TRE_DFA::Run() {
  LHead = nfa_->LHeadFound;
  LTail = nfa_->LTailFound;
  BuildStates();
  BuildTables();
  for (TRE_DFAState &state : StateList) TRE_NFAStateSet().swap(state.StateSet);
  std::vector<std::uint32_t>().swap(mark_);
  registry_ = {};
  movesByLabel_ = {};
  std::vector<int>().swap(closeStack_);
  std::vector<int>().swap(sameHash_);
}

void TRE_DFA::Close(TRE_NFAStateSet &set) {
  // Depth-first over empty transitions; mark_ holds the current stamp for
  // the states already in the set.
  if (++markStamp_ == 0) {
    std::fill(mark_.begin(), mark_.end(), 0);
    markStamp_ = 1;
  }
  std::vector<int> &stack = closeStack_;
  std::vector<int> closed;
  closed.reserve(set.size() * 2);
  for (int s : set) {
    if (mark_[static_cast<std::size_t>(s)] == markStamp_) continue;
    mark_[static_cast<std::size_t>(s)] = markStamp_;
    stack.push_back(s);
    while (!stack.empty()) {
      const int i = stack.back();
      stack.pop_back();
      closed.push_back(i);
      std::size_t visited = 1;
      for (int k = nfa_->StateList[static_cast<std::size_t>(i)]; k >= 0; k = nfa_->Transitions[static_cast<std::size_t>(k)].Next) {
        const TRE_NFATransition &t = nfa_->Transitions[static_cast<std::size_t>(k)];
        ++visited;
        if (t.Label.Kind != rel_Empty || mark_[static_cast<std::size_t>(t.Target)] == markStamp_) continue;
        mark_[static_cast<std::size_t>(t.Target)] = markStamp_;
        stack.push_back(t.Target);
      }
      Charge(visited);
    }
  }
  std::sort(closed.begin(), closed.end());
  set = std::move(closed);
}

int TRE_DFA::Register(TRE_NFAStateSet &&set) {
  Charge(set.size() + 1); // hashing and comparing the set
  const auto head = registry_.try_emplace(HashSet(set), -1).first;
  for (int index = head->second; index >= 0; index = sameHash_[static_cast<std::size_t>(index)]) {
    if (StateList[static_cast<std::size_t>(index)].StateSet == set) return index;
  }
  TRE_DFAState state;
  state.Accepting = std::binary_search(set.begin(), set.end(), nfa_->ExitState);
  state.StateSet = std::move(set);
  StateList.push_back(std::move(state));
  const int index = static_cast<int>(StateList.size()) - 1;
  sameHash_.push_back(head->second);
  head->second = index;
  return index;
}

void TRE_DFA::BuildStates() {
  mark_.assign(static_cast<std::size_t>(nfa_->StateCount()), 0);
  registry_.clear();
  sameHash_.clear();
  StateList.clear();
  transitionCount_ = 0;
  std::vector<int> initial{nfa_->EntryState};
  Close(initial);
  InitialState = Register(std::move(initial));
  // States are appended while we walk, so "the first unvisited state" is
  // simply the next index.
  for (std::size_t p = 0; p < StateList.size(); ++p) {
    StateList[p].Visited = true;
    ComputeMoves(static_cast<int>(p));
  }
}

void TRE_DFA::ComputeMoves(int p) {
  std::vector<TMove> moves;
  std::unordered_map<std::uint64_t, std::size_t> &byLabel = movesByLabel_;
  byLabel.clear();
  for (int i : StateList[static_cast<std::size_t>(p)].StateSet) {
    std::size_t visited = 1;
    for (int k = nfa_->StateList[static_cast<std::size_t>(i)]; k >= 0; k = nfa_->Transitions[static_cast<std::size_t>(k)].Next) {
      const TRE_NFATransition &t = nfa_->Transitions[static_cast<std::size_t>(k)];
      ++visited;
      if (t.Label.Kind == rel_Empty) continue;
      const auto [it, inserted] = byLabel.try_emplace(LabelKey(t.Label), moves.size());
      if (inserted) moves.push_back({t.Label, {}});
      moves[it->second].Targets.push_back(t.Target);
    }
    Charge(visited);
  }
  SplitOverlappingLabels(moves);
  transitionCount_ += moves.size();
  if (transitionCount_ > kMaxTransitions) throw ERegExpParser(regex_messages::kTooComplex, 0);
  // The moves are registered newest first and each transition is put in
  // front, so the transitions end up in the order the labels appeared.
  std::vector<TRE_DFATransition> transitions(moves.size());
  for (std::size_t k = moves.size(); k-- > 0;) {
    Close(moves[k].Targets);
    transitions[k] = {moves[k].Label, Register(std::move(moves[k].Targets))};
  }
  std::stable_sort(transitions.begin(), transitions.end(),
                   [](const TRE_DFATransition &a, const TRE_DFATransition &b) { return a.Label.Low < b.Label.Low; });
  StateList[static_cast<std::size_t>(p)].Transitions = std::move(transitions);
}

int TRE_DFA::NextStateByList(int state, std::uint16_t code) const {
  for (const TRE_DFATransition &t : StateList[static_cast<std::size_t>(state)].Transitions) {
    if (t.Label.Kind != rel_Char) continue;
    if (t.Label.Low > code) return -1;
    if (t.Label.High >= code) return t.Target;
  }
  return -1;
}

void TRE_DFA::BuildTables() {
  const std::size_t count = StateList.size();
  // Byte classes: bytes that every single-byte label treats alike.
  std::array<bool, 257> cut{};
  cut[0] = true;
  for (const TRE_DFAState &state : StateList) {
    for (const TRE_DFATransition &t : state.Transitions) {
      if (t.Label.Kind != rel_Char || t.Label.Low > 0xFF) continue;
      cut[t.Label.Low] = true;
      cut[std::min<std::uint32_t>(t.Label.High + 1u, 256u)] = true;
    }
  }
  std::array<int, 256> representative{};
  int cls = -1;
  for (int b = 0; b < 256; ++b) {
    if (cut[static_cast<std::size_t>(b)]) representative[static_cast<std::size_t>(++cls)] = b;
    byteClass_[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(cls);
  }
  classCount_ = static_cast<std::size_t>(cls) + 1;

  next_.assign(count * classCount_, -1);
  doubleStart_.assign(count + 1, 0);
  doubleRanges_.clear();
  lHeadNext_.assign(count, -1);
  lTailNext_.assign(count, -1);
  accepting_.assign(count, 0);
  for (std::size_t s = 0; s < count; ++s) {
    const TRE_DFAState &state = StateList[s];
    accepting_[s] = state.Accepting;
    for (std::size_t c = 0; c < classCount_; ++c)
      next_[s * classCount_ + c] = NextStateByList(static_cast<int>(s), static_cast<std::uint16_t>(representative[c]));
    doubleStart_[s] = static_cast<std::uint32_t>(doubleRanges_.size());
    for (const TRE_DFATransition &t : state.Transitions) {
      if (t.Label.Kind == rel_LHead) {
        if (lHeadNext_[s] < 0) lHeadNext_[s] = t.Target;
      } else if (t.Label.Kind == rel_LTail) {
        if (lTailNext_[s] < 0) lTailNext_[s] = t.Target;
      } else if (t.Label.High > 0xFF) {
        doubleRanges_.push_back({std::max<std::uint16_t>(t.Label.Low, 0x100), t.Label.High, t.Target});
      }
    }
  }
  doubleStart_[count] = static_cast<std::uint32_t>(doubleRanges_.size());
  packedNext_.resize(next_.size());
  for (std::size_t k = 0; k < next_.size(); ++k) packedNext_[k] = next_[k] < 0 ? -1 : PackedState(next_[k]);

  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    bool can = NextSingle(InitialState, byte) >= 0; // also a lead byte that ends the subject
    if (IsLeadByte(byte)) {
      const std::uint16_t low = static_cast<std::uint16_t>(b << 8);
      const std::uint16_t high = static_cast<std::uint16_t>(low | 0xFF);
      for (std::uint32_t k = doubleStart_[InitialState]; k < doubleStart_[InitialState + 1] && !can; ++k)
        can = doubleRanges_[k].Low <= high && doubleRanges_[k].High >= low;
    }
    canStart_[static_cast<std::size_t>(b)] = can;
  }
  int starts = 0;
  singleStartByte_ = -1;
  for (int b = 0; b < 256; ++b) {
    if (canStart_[static_cast<std::size_t>(b)]) {
      ++starts;
      singleStartByte_ = b;
    }
  }
  if (starts != 1 || accepting_[static_cast<std::size_t>(InitialState)]) singleStartByte_ = -1;
}

int TRE_DFA::NextDouble(int state, std::uint16_t code) const {
  const TRange *first = doubleRanges_.data() + doubleStart_[static_cast<std::size_t>(state)];
  const TRange *last = doubleRanges_.data() + doubleStart_[static_cast<std::size_t>(state) + 1];
  // Ranges are disjoint and ascending: the candidate is the last one that
  // starts at or below the code.
  const TRange *it = std::upper_bound(first, last, code, [](std::uint16_t c, const TRange &r) { return c < r.Low; });
  if (it == first) return -1;
  --it;
  return it->High >= code ? it->Target : -1;
}

std::string TRE_DFA::Dump() const {
  std::string out;
  for (std::size_t s = 0; s < StateList.size(); ++s) {
    if (s != 0) out += "; ";
    out += std::to_string(s);
    if (StateList[s].Accepting) out += '*';
    out += ':';
    for (const TRE_DFATransition &t : StateList[s].Transitions) {
      out += ' ';
      if (t.Label.Kind == rel_LHead) out += "<bol>";
      else if (t.Label.Kind == rel_LTail) out += "<eol>";
      else if (t.Label.Low == t.Label.High) out += CodeText(t.Label.Low);
      else out += "[" + CodeText(t.Label.Low) + "-" + CodeText(t.Label.High) + "]";
      out += "->" + std::to_string(t.Target);
    }
  }
  return out;
}
