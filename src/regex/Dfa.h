#pragma once
// TRE_DFA: the NFA made deterministic lazily, while it matches, in a cache
// of bounded size.
//
// Compiling builds the program (Program.h) and the DFA's start state and
// nothing more.  A DFA state is a set of NFA states; its row holds, for
// every character class, the next state, or "not computed yet".  A step
// that meets "not computed" computes the move and its empty closure (the
// subset construction, one transition at a time), finds or adds the
// resulting state, and writes it into the row.  Matching a name of n
// characters visits at most n + 1 states, whatever the pattern, so the
// exponential automata that some short patterns ask for are never built;
// only their visited corner is.
//
// The cache charges every state (its row, its set, its hash slot) against
// a byte budget (the bytes in use; the vectors' spare capacity can add up
// to as much again).  When a new state does not fit, the cache is dropped and
// matching goes on from the state being entered, as RE2's DFA does.  When
// one search has to drop it again, or when a single state cannot fit at
// all, the DFA gives up for the rest of that search and the matcher runs
// the same walk by NFA simulation (NfaSimulation.h), which needs no memory
// beyond the NFA's size.  Either way, matching stays linear in the subject
// for each start position and memory stays bounded.
//
// The budget, 1 MB per compiled expression: a state of an ordinary
// pattern takes well under a kilobyte, so the budget holds thousands of
// them, and even a state of a 2,047-byte pattern with a row per kanji
// (about 4 KB) leaves room for the 256 states a 255-byte name can visit.
// A matcher caches up to 29 expressions, so this also bounds what a run of
// the five replace conditions, or the previews typed meanwhile, can take.
//
// States are "packed" for the hot loop: a state is the offset of its row
// in the table, and the rows of accepting states start at odd offsets,
// those of the others at even ones (a spare entry goes before a row when
// needed).  So a step is one addition and one load, and "accepting" is the
// low bit, with no shift on the way from one state to the next.  A row
// holds one entry per class, then the state's flags (bit 0: it has a '$'
// transition; the bits above: the state's number), then its acceleration.
//
// Acceleration.  A state such as the one inside 'a.+b' after the 'a' has
// been read stays as it is on almost every character: only a 'b' (or, in
// the fuzzy form, one of its width and case forms) leads elsewhere.  The
// first time a step leaves such a state unchanged, the DFA works out which
// byte values can begin a character that leaves it; when they are few, it
// keeps them as a table of stop bytes, and the walk then scans the
// subject for the next stop byte instead of stepping through the state a
// character at a time.  The scan keeps to character bounds (a stop byte
// that is a trail byte does not stop it) and lands where a step would have
// left the state, in the same state: the walk's results are unchanged.
//
// Walks that cannot succeed.  A leftmost search walks from each start
// position in turn and stops at the first walk that accepts, so every walk
// it has made before the current one found nothing.  The DFA remembers,
// for each position of the subject, the state such a failed walk was in
// there.  When the current walk reaches a position in a state whose set of
// NFA states is contained in the remembered one, nothing it could still
// accept would have escaped the failed walk (a smaller set accepts only
// where a larger one does), so it stops there with what it has found.  A
// pattern like 'a.+b.+c' thus reads a name about once, however many 'a's
// start walks in it, while each start position still has its own walk.
//
// The matcher is used from one thread; the cache is mutable state behind a
// const interface.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "regex/Nfa.h"
#include "regex/Program.h"
#include "regex/StopScan.h"

class TRE_NFASimulation;

class TRE_DFA {
public:
  static constexpr std::size_t kDefaultCacheBudget = std::size_t{1} << 20;
  // Results of a step besides a packed state.
  static constexpr int kDead = -1;     // no match can go on
  static constexpr int kGiveUp = -3;   // the cache cannot hold the state: use the NFA

  explicit TRE_DFA(const TRE_NFA &nfa, std::size_t cacheBudget = kDefaultCacheBudget);
  ~TRE_DFA();
  TRE_DFA(const TRE_DFA &) = delete;
  TRE_DFA &operator=(const TRE_DFA &) = delete;

  // Builds the program and the start state.  The NFA is not used
  // afterwards.
  void Run();

  bool LHead = false; // a '^' anchors the expression
  bool LTail = false; // a '$' anchors the expression

  const TREProgram &Program() const { return program_; }

  // --- Matching.  Packed states stay valid until the next step or start
  // --- (a step may drop the cache).

  // The start state, and the start state after a '^' (kDead when no '^'
  // anchors); kGiveUp when the cache cannot hold it.
  int Start() const { return initial_ >= 0 ? initial_ : StartSlow(false); }
  int AnchoredStart() const { return anchored_ != kUnknown ? anchored_ : StartSlow(true); }
  static bool Accepting(int packed) { return (packed & 1) != 0; }
  bool HasLTail(int packed) const { return (table_[static_cast<std::size_t>(packed) + stride_ - 2] & 1) != 0; }
  // The state after class cls: a packed state, kDead or kGiveUp.
  int Next(int packed, int cls) const {
    const int next = table_[static_cast<std::size_t>(packed) + static_cast<std::size_t>(cls)];
    return next != kUnknown ? next : Compute(packed, cls);
  }
  // The row table, for a hot loop that indexes it itself; valid until the
  // next call of Next, Start or AnchoredStart.
  const std::int32_t *Table() const { return table_.data(); }
  static constexpr int kUnknown = -2;

  // False when no match can start with this byte from the start state.
  bool CanStart(unsigned char b) const { return (startStops_.Flags[b] & TStopSet::kStop) != 0; }
  // The stop bytes of the start state: those a match can start with.
  const TStopSet &StartStops() const { return startStops_; }

  // The stop bytes of a state that the last step left unchanged: the
  // bytes that begin a character that can leave it (see the top of this
  // file); null when the state is not worth skipping through.  Looked at
  // the first time it is asked for, then kept in the state's row.
  const TStopSet *Acceleration(int packed) const {
    const int entry = table_[static_cast<std::size_t>(packed) + stride_ - 1];
    if (entry == kNoAcceleration) return nullptr;
    return entry >= 0 ? &accelerations_[static_cast<std::size_t>(entry)] : AccelerationSlow(packed);
  }
  // The row entry Acceleration reads (for a hot loop that indexes rows
  // itself: kNoAcceleration there saves the call).
  std::size_t AccelerationEntry() const { return stride_ - 1; }
  static constexpr int kNoAcceleration = -1;
  // The only byte a match can start with, or -1 when there are several
  // (or when the start state accepts, so any position matches).
  int SingleStartByte() const { return singleStartByte_; }
  bool InitialAccepting() const { return initialAccepting_; }
  bool InitialHasLTail() const { return initialHasLTail_; }

  // A search begins: the count of cache drops that lead to the NFA starts
  // again, and the failed walks of the last search are forgotten.
  void BeginSearch() const {
    searchResets_ = 0;
    gaveUp_ = false;
    NextVisitStamp();
  }
  // The DFA gave up during the current search; its walks go to the NFA.
  bool GaveUp() const { return gaveUp_; }
  TRE_NFASimulation &Simulation() const;

  // --- Failed walks of the current search (see the top of this file).
  // What a walk left at a position: the search's stamp and its state.
  struct TVisit {
    std::uint32_t Stamp;
    std::int32_t State;
  };
  // Room for positions 0 to size; entries without the current stamp are
  // from an earlier search (or from before a cache drop) and say nothing.
  TVisit *Visits(std::size_t size) const {
    if (visits_.size() < size + 1) visits_.resize(size + 1, TVisit{0, 0});
    return visits_.data();
  }
  std::uint32_t VisitStamp() const { return visitStamp_; }
  // True when the set of small is contained in the set of big.
  bool Covers(int big, int small) const {
    const TCover &cover = covers_[CoverSlot(big, small)];
    return cover.Big == big && cover.Small == small ? cover.Result : CoversSlow(big, small);
  }

  // --- Diagnostics and tests.

  std::size_t CacheBudget() const { return budget_; }
  // What this automaton can take at most: its program and its cache.
  std::size_t MemoryBound() const { return program_.MemoryUsed() + budget_; }
  std::size_t CacheBytes() const { return bytes_; }
  std::size_t CacheStates() const { return states_.size(); }
  int CacheResets() const { return resets_; }
  int GiveUps() const { return giveUps_; }
  // The state after one character code (as the matcher would read it).
  int StepCode(int packed, std::uint16_t code) const { return Next(packed, program_.ClassOfCode(code)); }
  int StateNumber(int packed) const { return table_[static_cast<std::size_t>(packed) + stride_ - 2] >> 1; }

  // Builds the whole automaton into a fresh cache, without a budget but
  // with at most maxStates states (more raises EKorvaneError), and prints
  // it: "0*: a->1 [b-d]->2; 1: ..." with the states in the order the
  // subset construction makes them, '*' for an accepting state, each
  // state's transitions by ascending code, <bol>/<eol> for the anchors.
  // For tests; matching never builds more than it visits.
  std::string Dump(std::size_t maxStates = 10'000) const;
  // The number of states of the whole automaton (builds it as Dump does).
  std::size_t FullStateCount(std::size_t maxStates = 10'000) const;

private:
  struct TStateInfo {
    std::uint32_t Row;
    std::uint32_t SetBegin;
    std::uint32_t SetSize;
    std::uint64_t Hash;
  };

  struct TCover {
    std::int32_t Big;
    std::int32_t Small;
    bool Result;
  };
  static constexpr unsigned kCoverBits = 10;
  static constexpr std::size_t kCoverSlots = std::size_t{1} << kCoverBits;
  static std::size_t CoverSlot(int big, int small) {
    const std::uint32_t h = static_cast<std::uint32_t>(big) * 0x9E3779B1u ^ static_cast<std::uint32_t>(small) * 0x85EBCA77u;
    return (h ^ (h >> 15)) >> (32 - kCoverBits);
  }
  bool CoversSlow(int big, int small) const;
  // A new stamp for the walks of a search; the visits are cleared only when
  // the stamps wrap around.
  void NextVisitStamp() const {
    if (++visitStamp_ == 0) ClearVisits();
  }
  void ClearVisits() const;
  // Marks in flags the bytes that begin a character of a class in
  // stopClass (a lead byte: of any class of its row, or its own class as
  // the last byte of the subject).
  void StopBytes(const std::vector<bool> &stopClass, TStopSet &set) const;
  const TStopSet *AccelerationSlow(int packed) const;
  // A state is skipped through when at most this many byte values can
  // begin a character that leaves it: beyond that, such characters are
  // common enough that a scan would stop again at once.
  static constexpr int kMaxStopBytes = 32;
  static constexpr std::size_t kAccelerationCost = sizeof(TStopSet);

  int StartSlow(bool anchored) const;
  int Compute(int packed, int cls) const;
  // The state of a closed set: found, or added (which may drop the cache).
  int Register(const std::vector<int> &set) const;
  int AddState(const std::vector<int> &set, std::uint64_t hash) const;
  void Reset() const;
  void Rehash(std::size_t slots) const;
  std::size_t StateCost(std::size_t setSize) const;
  std::size_t SlotsFor(std::size_t states) const;
  const int *SetOf(int packed, std::size_t &size) const;
  // The packed form of state number.
  int PackedOf(std::size_t number) const;
  void BuildAll(std::size_t maxStates, std::vector<std::string> *lines) const;

  const TRE_NFA *nfa_;
  TREProgram program_;
  std::size_t budget_;
  std::size_t stride_ = 1;

  mutable std::vector<std::int32_t> table_;
  mutable std::vector<TStopSet> accelerations_; // one per accelerated state
  mutable std::vector<int> setPool_;
  mutable std::vector<TStateInfo> states_;
  mutable std::vector<std::int32_t> slots_; // open addressing: state number or -1
  mutable std::size_t bytes_ = 0;
  mutable int initial_ = kUnknown;
  mutable int anchored_ = kUnknown;
  mutable bool unbounded_ = false; // while the test-only full build runs
  mutable int resets_ = 0;
  mutable int giveUps_ = 0;
  mutable int searchResets_ = 0;
  mutable bool gaveUp_ = false;
  mutable std::vector<int> moveSet_;
  mutable TREProgram::TScratch scratch_;
  mutable std::unique_ptr<TRE_NFASimulation> simulation_;
  mutable std::vector<TVisit> visits_;
  mutable std::uint32_t visitStamp_ = 1;
  mutable std::array<TCover, kCoverSlots> covers_{};

  TStopSet startStops_;
  int singleStartByte_ = -1;
  bool initialAccepting_ = false;
  bool initialHasLTail_ = false;
};
