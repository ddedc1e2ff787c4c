#include "regex/Program.h"

#include <algorithm>
#include <map>
#include <set>

#include "regex/Messages.h"
#include "regex/Nfa.h"
#include "regex/RegExpError.h"

void TREProgram::TScratch::Prepare(std::size_t stateCount) {
  if (mark_.size() != stateCount) {
    mark_.assign(stateCount, 0);
    stamp_ = 1;
  }
}

void TREProgram::TScratch::NextRound() {
  if (++stamp_ == 0) {
    std::fill(mark_.begin(), mark_.end(), 0);
    stamp_ = 1;
  }
}

void TREProgram::Build(const TRE_NFA &nfa) {
  const std::size_t n = nfa.StateList.size();
  entry_ = nfa.EntryState;
  exit_ = nfa.ExitState;
  charBegin_.assign(n + 1, 0);
  emptyBegin_.assign(n + 1, 0);
  lTailBegin_.assign(n + 1, 0);
  lTailFrom_.assign(n, 0);
  chars_.clear();
  empties_.clear();
  lTailTargets_.clear();
  lHeadTargets_.clear();
  for (std::size_t s = 0; s < n; ++s) {
    charBegin_[s] = static_cast<std::uint32_t>(chars_.size());
    emptyBegin_[s] = static_cast<std::uint32_t>(empties_.size());
    lTailBegin_[s] = static_cast<std::uint32_t>(lTailTargets_.size());
    for (int k = nfa.StateList[s]; k >= 0; k = nfa.Transitions[static_cast<std::size_t>(k)].Next) {
      const TRE_NFATransition &t = nfa.Transitions[static_cast<std::size_t>(k)];
      switch (t.Label.Kind) {
      case rel_Char: chars_.push_back({t.Label.Low, t.Label.High, t.Target}); break;
      case rel_Empty: empties_.push_back(t.Target); break;
      case rel_LHead: lHeadTargets_.push_back(t.Target); break; // only the entry has them
      case rel_LTail:
        lTailFrom_[s] = 1;
        lTailTargets_.push_back(t.Target);
        break;
      }
    }
  }
  charBegin_[n] = static_cast<std::uint32_t>(chars_.size());
  emptyBegin_[n] = static_cast<std::uint32_t>(empties_.size());
  lTailBegin_[n] = static_cast<std::uint32_t>(lTailTargets_.size());

  TScratch scratch;
  initialSet_ = {entry_};
  Close(initialSet_, scratch);
  // A '^' leaves only the entry itself (never a state reached by empty
  // moves), so its targets are those of the entry.
  anchoredSet_ = lHeadTargets_;
  if (!anchoredSet_.empty()) Close(anchoredSet_, scratch);

  BuildClasses();
}

std::vector<int> TREProgram::LTailTargets(int s) const {
  const auto k = static_cast<std::size_t>(s);
  return {lTailTargets_.begin() + lTailBegin_[k], lTailTargets_.begin() + lTailBegin_[k + 1]};
}

void TREProgram::Close(std::vector<int> &set, TScratch &scratch) const {
  // Depth first over the empty moves; the marks hold the states already in.
  scratch.Prepare(static_cast<std::size_t>(StateCount()));
  scratch.NextRound();
  std::vector<int> &stack = scratch.Stack;
  const std::size_t seeds = set.size();
  std::size_t kept = 0;
  for (std::size_t k = 0; k < seeds; ++k)
    if (scratch.Mark(set[k])) set[kept++] = set[k];
  set.resize(kept);
  stack.assign(set.begin(), set.end());
  while (!stack.empty()) {
    const int s = stack.back();
    stack.pop_back();
    const auto i = static_cast<std::size_t>(s);
    for (std::uint32_t k = emptyBegin_[i]; k < emptyBegin_[i + 1]; ++k) {
      const int t = empties_[k];
      if (!scratch.Mark(t)) continue;
      set.push_back(t);
      stack.push_back(t);
    }
  }
  std::sort(set.begin(), set.end());
}

void TREProgram::Move(const int *from, std::size_t count, int cls, std::vector<int> &set) const {
  const std::uint16_t code = Representative(cls);
  for (std::size_t k = 0; k < count; ++k) {
    for (const TREProgramChar *t = CharsBegin(from[k]), *end = CharsEnd(from[k]); t != end; ++t)
      if (t->Low <= code && code <= t->High) set.push_back(t->Target);
  }
}

std::size_t TREProgram::IntervalOf(std::uint32_t code) const {
  return static_cast<std::size_t>(std::upper_bound(cuts_.begin(), cuts_.end(), code) - cuts_.begin()) - 1;
}

int TREProgram::ClassOfCode(std::uint16_t code) const { return intervalClass_[IntervalOf(code)]; }

void TREProgram::BuildClasses() {
  // What each distinct range does: the (from, to) pairs of its
  // transitions.  Ranges that do the same get one behaviour number.
  struct TUse {
    std::uint16_t Low;
    std::uint16_t High;
    std::uint64_t FromTo;
  };
  std::vector<TUse> uses;
  uses.reserve(chars_.size());
  for (int s = 0; s < StateCount(); ++s)
    for (const TREProgramChar *t = CharsBegin(s); t != CharsEnd(s); ++t)
      uses.push_back({t->Low, t->High, std::uint64_t{static_cast<std::uint32_t>(s)} << 32 | static_cast<std::uint32_t>(t->Target)});
  std::sort(uses.begin(), uses.end(), [](const TUse &a, const TUse &b) {
    return a.Low != b.Low ? a.Low < b.Low : a.High != b.High ? a.High < b.High : a.FromTo < b.FromTo;
  });
  struct TRange {
    std::uint16_t Low;
    std::uint16_t High;
    int Behaviour;
  };
  std::vector<TRange> ranges;
  std::map<std::vector<std::uint64_t>, int> behaviours;
  for (std::size_t i = 0; i < uses.size();) {
    std::size_t j = i;
    std::vector<std::uint64_t> pairs;
    while (j < uses.size() && uses[j].Low == uses[i].Low && uses[j].High == uses[i].High) {
      if (pairs.empty() || pairs.back() != uses[j].FromTo) pairs.push_back(uses[j].FromTo);
      ++j;
    }
    const int id = behaviours.try_emplace(std::move(pairs), static_cast<int>(behaviours.size())).first->second;
    ranges.push_back({uses[i].Low, uses[i].High, id});
    i = j;
  }

  cuts_ = {0, 0x10000};
  for (const TRange &r : ranges) {
    cuts_.push_back(r.Low);
    cuts_.push_back(std::uint32_t{r.High} + 1);
  }
  std::sort(cuts_.begin(), cuts_.end());
  cuts_.erase(std::unique(cuts_.begin(), cuts_.end()), cuts_.end());
  const std::size_t intervals = cuts_.size() - 1;

  // Sweep the intervals with the behaviours that cover each; an interval's
  // class is the set of those behaviours.
  std::vector<std::vector<int>> starts(intervals + 1);
  std::vector<std::vector<int>> ends(intervals + 1);
  for (const TRange &r : ranges) {
    starts[IntervalOf(r.Low)].push_back(r.Behaviour);
    ends[IntervalOf(std::uint32_t{r.High} + 1)].push_back(r.Behaviour);
  }
  std::map<std::vector<int>, int> classes{{{}, 0}};
  std::vector<int> coverCount(behaviours.size(), 0);
  std::set<int> active;
  intervalClass_.assign(intervals, 0);
  representative_.assign(1, 0);
  std::vector<int> key;
  bool classZeroSeen = false;
  for (std::size_t k = 0; k < intervals; ++k) {
    for (int b : ends[k])
      if (--coverCount[static_cast<std::size_t>(b)] == 0) active.erase(b);
    for (int b : starts[k])
      if (coverCount[static_cast<std::size_t>(b)]++ == 0) active.insert(b);
    key.assign(active.begin(), active.end());
    const auto [it, inserted] = classes.try_emplace(key, static_cast<int>(classes.size()));
    if (inserted) {
      if (classes.size() > 0xFFFF) throw ERegExpParser(regex_messages::kTooComplex, 0);
      representative_.push_back(static_cast<std::uint16_t>(cuts_[k]));
    } else if (it->second == 0 && !classZeroSeen) {
      representative_[0] = static_cast<std::uint16_t>(cuts_[k]);
    }
    classZeroSeen = classZeroSeen || it->second == 0;
    intervalClass_[k] = static_cast<std::uint16_t>(it->second);
  }
  classCount_ = static_cast<int>(classes.size());
  // When the ranges cover every code, class 0 has no interval and no code
  // is ever read as it.

  for (int b = 0; b < 256; ++b) byteClass_[static_cast<std::size_t>(b)] = intervalClass_[IntervalOf(static_cast<std::uint32_t>(b))];
  leadTables_.clear();
  for (int lead = 0; lead < 256; ++lead) {
    leadRow_[static_cast<std::size_t>(lead)] = 0;
    if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
    const std::uint32_t low = static_cast<std::uint32_t>(lead) << 8;
    const std::size_t first = IntervalOf(low);
    const std::size_t last = IntervalOf(low | 0xFF);
    bool uniform = true;
    for (std::size_t k = first + 1; k <= last && uniform; ++k) uniform = intervalClass_[k] == intervalClass_[first];
    if (uniform) {
      leadRow_[static_cast<std::size_t>(lead)] = intervalClass_[first];
      continue;
    }
    const std::size_t table = leadTables_.size() / 256;
    leadRow_[static_cast<std::size_t>(lead)] = -static_cast<std::int32_t>(table) - 1;
    std::size_t k = first;
    for (std::uint32_t trail = 0; trail < 256; ++trail) {
      while (cuts_[k + 1] <= (low | trail)) ++k;
      leadTables_.push_back(intervalClass_[k]);
    }
  }
}

std::size_t TREProgram::MemoryUsed() const {
  return (charBegin_.capacity() + emptyBegin_.capacity() + lTailBegin_.capacity() + cuts_.capacity()) * sizeof(std::uint32_t) +
         chars_.capacity() * sizeof(TREProgramChar) +
         (empties_.capacity() + lTailTargets_.capacity() + lHeadTargets_.capacity() + initialSet_.capacity() +
          anchoredSet_.capacity()) * sizeof(int) +
         lTailFrom_.capacity() + (leadTables_.capacity() + representative_.capacity() + intervalClass_.capacity()) * sizeof(std::uint16_t);
}
