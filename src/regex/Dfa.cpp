#include "regex/Dfa.h"

#include <algorithm>

#include "platform/Errors.h"
#include "regex/NfaSimulation.h"
#include "regex/ParseTree.h"

namespace {

// A search may drop the cache this often before its walks go to the NFA:
// once is the normal price of a full cache, twice in one search means the
// subject visits more states than the budget holds.
constexpr int kResetsPerSearch = 1;
constexpr std::size_t kInitialSlots = 16;

std::uint64_t HashSet(const int *set, std::size_t size) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::size_t k = 0; k < size; ++k) h = (h ^ static_cast<std::uint32_t>(set[k])) * 1099511628211ull;
  return h ^ size;
}

} // namespace

// Packed states hold a row offset in an int, so a budget cannot usefully
// pass 1 GB.
TRE_DFA::TRE_DFA(const TRE_NFA &nfa, std::size_t cacheBudget)
    : nfa_(&nfa), budget_(std::min(cacheBudget, std::size_t{1} << 30)) {}

TRE_DFA::~TRE_DFA() = default;

void TRE_DFA::Run() {
  LHead = nfa_->LHeadFound;
  LTail = nfa_->LTailFound;
  program_.Build(*nfa_);
  nfa_ = nullptr;
  stride_ = static_cast<std::size_t>(program_.ClassCount()) + 2;

  // What the search routines need to know of the start state, taken from
  // its set so that it holds whatever the cache does later.
  const std::vector<int> &initial = program_.InitialSet();
  initialAccepting_ = std::binary_search(initial.begin(), initial.end(), program_.Exit());
  initialHasLTail_ = false;
  std::vector<bool> startClass(static_cast<std::size_t>(program_.ClassCount()), false);
  for (int s : initial) {
    initialHasLTail_ = initialHasLTail_ || program_.HasLTail(s);
    for (const TREProgramChar *t = program_.CharsBegin(s); t != program_.CharsEnd(s); ++t) {
      const std::size_t last = program_.IntervalOf(t->High);
      for (std::size_t k = program_.IntervalOf(t->Low); k <= last; ++k)
        startClass[static_cast<std::size_t>(program_.IntervalClass(k))] = true;
    }
  }
  StopBytes(startClass, startStops_);
  int starts = 0;
  singleStartByte_ = -1;
  for (int b = 0; b < 256; ++b) {
    if (!CanStart(static_cast<unsigned char>(b))) continue;
    ++starts;
    singleStartByte_ = b;
  }
  if (starts != 1 || initialAccepting_) singleStartByte_ = -1;

  Reset();
  resets_ = 0;
  Start(); // the one state compiling makes (when the budget holds it)
}

void TRE_DFA::StopBytes(const std::vector<bool> &stopClass, TStopSet &set) const {
  for (int b = 0; b < 256; ++b) {
    const auto byte = static_cast<unsigned char>(b);
    bool stop = stopClass[static_cast<std::size_t>(program_.ByteClass(byte))]; // also a lead byte that ends the subject
    if (IsLeadByte(byte)) {
      const std::uint32_t low = static_cast<std::uint32_t>(b) << 8;
      const std::size_t last = program_.IntervalOf(low | 0xFF);
      for (std::size_t k = program_.IntervalOf(low); k <= last && !stop; ++k)
        stop = stopClass[static_cast<std::size_t>(program_.IntervalClass(k))];
    }
    set.Flags[static_cast<std::size_t>(b)] =
        static_cast<std::uint8_t>((stop ? TStopSet::kStop : 0) | (IsLeadByte(byte) ? TStopSet::kLeadByte : 0));
  }
}

const TStopSet *TRE_DFA::AccelerationSlow(int packed) const {
  const std::size_t entry = static_cast<std::size_t>(packed) + stride_ - 1;
  table_[entry] = kNoAcceleration; // unless all goes well below
  if (bytes_ + kAccelerationCost > budget_ && !unbounded_) return nullptr;
  // The classes that leave the state: known from its row, or found from
  // its set without adding states (which could drop the cache).
  std::size_t size = 0;
  const int *set = SetOf(packed, size);
  std::vector<bool> leaving(static_cast<std::size_t>(program_.ClassCount()), false);
  for (int cls = 0; cls < program_.ClassCount(); ++cls) {
    const int known = table_[static_cast<std::size_t>(packed) + static_cast<std::size_t>(cls)];
    if (known != kUnknown) {
      leaving[static_cast<std::size_t>(cls)] = known != packed;
      continue;
    }
    moveSet_.clear();
    program_.Move(set, size, cls, moveSet_);
    if (!moveSet_.empty()) program_.Close(moveSet_, scratch_);
    leaving[static_cast<std::size_t>(cls)] = !std::equal(moveSet_.begin(), moveSet_.end(), set, set + size);
  }
  TStopSet stops;
  StopBytes(leaving, stops);
  if (stops.Count() > kMaxStopBytes) return nullptr;
  const std::size_t index = accelerations_.size();
  accelerations_.push_back(stops);
  bytes_ += kAccelerationCost;
  table_[entry] = static_cast<std::int32_t>(index);
  return &accelerations_.back();
}

TRE_NFASimulation &TRE_DFA::Simulation() const {
  if (!simulation_) simulation_ = std::make_unique<TRE_NFASimulation>(program_);
  return *simulation_;
}

std::size_t TRE_DFA::SlotsFor(std::size_t states) const {
  std::size_t slots = std::max(slots_.size(), kInitialSlots);
  while (states * 2 > slots) slots *= 2;
  return slots;
}

std::size_t TRE_DFA::StateCost(std::size_t setSize) const {
  // Row, set and bookkeeping; and the hash table's growth when this state
  // makes it more than half full.
  const std::size_t growth = (SlotsFor(states_.size() + 1) - slots_.size()) * sizeof(std::int32_t);
  return (stride_ + 1) * sizeof(std::int32_t) + setSize * sizeof(int) + sizeof(TStateInfo) + growth; // with a spare entry
}

void TRE_DFA::Reset() const {
  // Packed states name rows of the table being dropped: what the failed
  // walks and the containment tests remember goes with them.
  NextVisitStamp();
  covers_.fill(TCover{-1, -1, false});
  table_.clear();
  accelerations_.clear();
  setPool_.clear();
  states_.clear();
  slots_.clear(); // made with the first state, so that an empty cache takes nothing
  bytes_ = 0;
  initial_ = kUnknown;
  anchored_ = kUnknown;
  ++resets_;
}

void TRE_DFA::ClearVisits() const {
  std::fill(visits_.begin(), visits_.end(), TVisit{0, 0});
  visitStamp_ = 1;
}

bool TRE_DFA::CoversSlow(int big, int small) const {
  std::size_t bigSize = 0;
  std::size_t smallSize = 0;
  const int *bigSet = SetOf(big, bigSize);
  const int *smallSet = SetOf(small, smallSize);
  const bool result = std::includes(bigSet, bigSet + bigSize, smallSet, smallSet + smallSize);
  covers_[CoverSlot(big, small)] = {big, small, result};
  return result;
}

void TRE_DFA::Rehash(std::size_t slots) const {
  bytes_ -= slots_.size() * sizeof(std::int32_t);
  slots_.assign(slots, -1);
  bytes_ += slots_.size() * sizeof(std::int32_t);
  const std::size_t mask = slots - 1;
  for (std::size_t s = 0; s < states_.size(); ++s) {
    std::size_t k = states_[s].Hash & mask;
    while (slots_[k] >= 0) k = (k + 1) & mask;
    slots_[k] = static_cast<std::int32_t>(s);
  }
}

int TRE_DFA::PackedOf(std::size_t number) const { return static_cast<int>(states_[number].Row); }

const int *TRE_DFA::SetOf(int packed, std::size_t &size) const {
  const TStateInfo &info = states_[static_cast<std::size_t>(StateNumber(packed))];
  size = info.SetSize;
  return setPool_.data() + info.SetBegin;
}

int TRE_DFA::StartSlow(bool anchored) const {
  if (anchored && program_.AnchoredSet().empty()) return anchored_ = kDead;
  const int state = Register(anchored ? program_.AnchoredSet() : program_.InitialSet());
  if (state == kGiveUp) return kGiveUp;
  (anchored ? anchored_ : initial_) = state;
  return state;
}

int TRE_DFA::Compute(int packed, int cls) const {
  std::size_t size = 0;
  const int *set = SetOf(packed, size);
  moveSet_.clear();
  program_.Move(set, size, cls, moveSet_);
  const std::size_t entry = static_cast<std::size_t>(packed) + static_cast<std::size_t>(cls);
  if (moveSet_.empty()) {
    table_[entry] = kDead;
    return kDead;
  }
  program_.Close(moveSet_, scratch_);
  const int resetsBefore = resets_;
  const int next = Register(moveSet_);
  // A dropped cache no longer holds the row the move came from.
  if (next != kGiveUp && resets_ == resetsBefore) table_[entry] = next;
  return next;
}

int TRE_DFA::Register(const std::vector<int> &set) const {
  const std::uint64_t hash = HashSet(set.data(), set.size());
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t k = hash & mask; !slots_.empty() && slots_[k] >= 0; k = (k + 1) & mask) {
    const TStateInfo &info = states_[static_cast<std::size_t>(slots_[k])];
    if (info.Hash == hash && info.SetSize == set.size() &&
        std::equal(set.begin(), set.end(), setPool_.begin() + info.SetBegin))
      return PackedOf(static_cast<std::size_t>(slots_[k]));
  }
  const std::size_t cost = StateCost(set.size());
  if (!unbounded_ && bytes_ + cost > budget_) {
    // Drop the cache, unless that does not help: the state alone is too
    // big, or this search has dropped it already.
    const std::size_t alone = (stride_ + 1) * sizeof(std::int32_t) + set.size() * sizeof(int) + sizeof(TStateInfo) +
                              kInitialSlots * sizeof(std::int32_t);
    if (alone > budget_ || searchResets_ >= kResetsPerSearch) {
      if (!gaveUp_) ++giveUps_;
      gaveUp_ = true;
      return kGiveUp;
    }
    ++searchResets_;
    Reset();
  }
  return AddState(set, hash);
}

int TRE_DFA::AddState(const std::vector<int> &set, std::uint64_t hash) const {
  if (SlotsFor(states_.size() + 1) != slots_.size()) Rehash(SlotsFor(states_.size() + 1));
  const auto index = states_.size();
  bool accepting = false;
  bool hasLTail = false;
  for (int s : set) {
    accepting = accepting || s == program_.Exit();
    hasLTail = hasLTail || program_.HasLTail(s);
  }
  // The row starts at an odd offset exactly when the state accepts.
  std::size_t row = table_.size();
  const std::size_t spare = (row & 1) != (accepting ? 1u : 0u) ? 1 : 0;
  row += spare;
  table_.resize(row + stride_, kUnknown);
  states_.push_back({static_cast<std::uint32_t>(row), static_cast<std::uint32_t>(setPool_.size()),
                     static_cast<std::uint32_t>(set.size()), hash});
  setPool_.insert(setPool_.end(), set.begin(), set.end());
  table_[row + stride_ - 2] = static_cast<std::int32_t>(index << 1) | (hasLTail ? 1 : 0);
  table_[row] = kDead; // class 0: no transition covers it
  bytes_ += (stride_ + spare) * sizeof(std::int32_t) + set.size() * sizeof(int) + sizeof(TStateInfo);
  const std::size_t mask = slots_.size() - 1;
  std::size_t k = hash & mask;
  while (slots_[k] >= 0) k = (k + 1) & mask;
  slots_[k] = static_cast<std::int32_t>(index);
  return static_cast<int>(row);
}

void TRE_DFA::BuildAll(std::size_t maxStates, std::vector<std::string> *lines) const {
  // The subset construction in full, in the order the eager construction
  // makes its states: each state's moves are taken in the order their
  // labels first appear among its NFA states' transitions, and their
  // targets are registered newest first.
  unbounded_ = true;
  struct TRestore {
    bool &Flag;
    ~TRestore() { Flag = false; }
  } restore{unbounded_};
  Reset();
  Start(); // state 0
  std::vector<int> anchorTargets;
  for (std::size_t number = 0; number < states_.size(); ++number) {
    if (states_.size() > maxStates) throw EKorvaneError("DFA dump: more than " + std::to_string(maxStates) + " states");
    const int packed = PackedOf(number);
    std::size_t size = 0;
    const int *setData = SetOf(packed, size);
    const std::vector<int> set(setData, setData + size);
    // Labels by first appearance: a class, or -1 for '^', -2 for '$'.
    std::vector<int> order;
    std::vector<bool> seen(static_cast<std::size_t>(program_.ClassCount()), false);
    bool lHead = false;
    bool lTail = false;
    for (int s : set) {
      if (s == program_.Entry() && !program_.AnchoredSet().empty() && !lHead) {
        lHead = true;
        order.push_back(-1);
      }
      for (const TREProgramChar *t = program_.CharsBegin(s); t != program_.CharsEnd(s); ++t) {
        const std::size_t last = program_.IntervalOf(t->High);
        for (std::size_t k = program_.IntervalOf(t->Low); k <= last; ++k) {
          const int cls = program_.IntervalClass(k);
          if (cls == 0 || seen[static_cast<std::size_t>(cls)]) continue;
          seen[static_cast<std::size_t>(cls)] = true;
          order.push_back(cls);
        }
      }
      if (program_.HasLTail(s) && !lTail) {
        lTail = true;
        order.push_back(-2);
      }
    }
    std::vector<int> targets(static_cast<std::size_t>(program_.ClassCount()), kDead);
    int lHeadTarget = kDead;
    int lTailTarget = kDead;
    for (std::size_t k = order.size(); k-- > 0;) {
      const int label = order[k];
      if (label >= 0) {
        targets[static_cast<std::size_t>(label)] = Next(packed, label);
      } else if (label == -1) {
        lHeadTarget = AnchoredStart();
      } else {
        anchorTargets.clear();
        for (int s : set)
          for (int t : program_.LTailTargets(s)) anchorTargets.push_back(t);
        program_.Close(anchorTargets, scratch_);
        lTailTarget = Register(anchorTargets);
      }
    }
    if (lines == nullptr) continue;
    std::string line = std::to_string(number);
    if (Accepting(packed)) line += '*';
    line += ':';
    for (std::size_t k = 0; k + 1 <= program_.IntervalCount(); ++k) {
      const int target = targets[static_cast<std::size_t>(program_.IntervalClass(k))];
      if (target < 0) continue;
      const std::uint32_t low = program_.IntervalLow(k);
      const std::uint32_t high = (k + 1 < program_.IntervalCount() ? program_.IntervalLow(k + 1) : 0x10000) - 1;
      line += ' ';
      line += low == high ? CodeText(static_cast<std::uint16_t>(low))
                          : "[" + CodeText(static_cast<std::uint16_t>(low)) + "-" + CodeText(static_cast<std::uint16_t>(high)) + "]";
      line += "->" + std::to_string(StateNumber(target));
    }
    if (lHeadTarget >= 0) line += " <bol>->" + std::to_string(StateNumber(lHeadTarget));
    if (lTailTarget >= 0) line += " <eol>->" + std::to_string(StateNumber(lTailTarget));
    lines->push_back(std::move(line));
  }
}

std::string TRE_DFA::Dump(std::size_t maxStates) const {
  std::vector<std::string> lines;
  BuildAll(maxStates, &lines);
  std::string out;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    if (k != 0) out += "; ";
    out += lines[k];
  }
  return out;
}

std::size_t TRE_DFA::FullStateCount(std::size_t maxStates) const {
  BuildAll(maxStates, nullptr);
  return states_.size();
}
