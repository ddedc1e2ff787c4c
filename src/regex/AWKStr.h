#pragma once
// Public face of the regular-expression engine for Shift-JIS (CP932) text.
//
// TRegularExpression holds the current expression: assigning one runs the
// dictionary preprocessor, compiles the result into an NFA with a lazily
// built DFA (Dfa.h) and keeps the compiled automata in a small cache keyed
// by the preprocessed text.
// TMatchCORE finds leftmost-longest matches with line anchors and
// double-byte characters.  TAWKStr adds the dictionary switches and
// ReplaceAll, a global substitution with an AWK-like template ('&' is the
// matched text, '\&' a literal '&', C-like escapes).
//
// Typical use (the string-replacement step of a rename):
//   TAWKStr awk;
//   awk.SetUseFuzzyCharDic(noCase);
//   awk.SetRegExp(pattern);             // may throw ERegExpParser
//   awk.ReplaceAll(templ, name);        // may throw ERegExpParser
//
// An instance is used from one thread only.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "regex/RegExpError.h"

class TREPreProcessor;
class TRE_DFA;
struct TCompiledTemplate;

// Start and end offsets of a match inside the searched text; both npos when
// there is no match, Start == End for an empty match.
struct TMatchSpan {
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);
  std::size_t Start = npos;
  std::size_t End = npos;
  bool Found() const { return Start != npos; }
};

// Holds the current expression and the cache of compiled automata.
class TRegularExpression {
public:
  // The cache holds at most this many entries, entry 0 (the empty
  // expression) included.
  static constexpr int CacheCapacity = 30;
  // ... and its automata take at most this much memory together (each
  // counted with its program and its DFA cache budget): beyond it, the
  // oldest entries go before their turn.  Ordinary patterns take a few
  // kilobytes besides the budget, so only a run of huge ones is affected.
  static constexpr std::size_t kMaxCacheBytes = std::size_t{64} << 20;

  explicit TRegularExpression(void *owner = nullptr);
  virtual ~TRegularExpression();
  TRegularExpression(const TRegularExpression &) = delete;
  TRegularExpression &operator=(const TRegularExpression &) = delete;

  // The expression last assigned successfully, as the caller wrote it.
  const std::string &RegExp() const { return regExp_; }
  // Makes value the current expression.  A malformed expression raises
  // ERegExpParser: a failure in the dictionary pass keeps the previous
  // expression; a failure while compiling leaves the empty expression
  // current and RegExp() empty.
  virtual void SetRegExp(const std::string &value);

  void *Owner() const { return owner_; }
  TREPreProcessor &Preprocessor() { return *preprocessor_; }
  const TREPreProcessor &Preprocessor() const { return *preprocessor_; }
  const TRE_DFA &CurrentDFA() const { return *currentDFA_; }

  // Introspection of the cache (diagnostics and tests).
  int CacheIndex() const { return cacheIndex_; }
  int CacheCount() const { return static_cast<int>(cache_.size()); }
  const std::string &CacheKey(int index) const { return cache_[index].Key; }
  // How many expressions this instance has compiled so far.
  int CompileCount() const { return compileCount_; }

  // The byte budget of the DFA state cache of each expression compiled
  // from now on (TRE_DFA::kDefaultCacheBudget unless set; tests set small
  // ones to exercise the cache's resets and the NFA fallback).
  std::size_t DFACacheBudget() const { return dfaCacheBudget_; }
  void SetDFACacheBudget(std::size_t bytes) { dfaCacheBudget_ = bytes; }

  static constexpr std::uint16_t GetLHeadCode() { return 0xFFFD; }
  static constexpr std::uint16_t GetLTailCode() { return 0xFFFE; }

protected:
  virtual void Compile(const std::string &key);

private:
  struct TCacheEntry {
    std::string Key;
    std::unique_ptr<TRE_DFA> DFA;
  };

  void *owner_;
  std::string regExp_;
  std::vector<TCacheEntry> cache_;
  int cacheIndex_ = 0;
  const TRE_DFA *currentDFA_ = nullptr; // the DFA of entry cacheIndex_
  int compileCount_ = 0;
  std::size_t dfaCacheBudget_;
  std::unique_ptr<TREPreProcessor> preprocessor_;
};

enum TMatchCORE_LineSeparator : std::uint8_t { mcls_CRLF = 0, mcls_LF = 1 };

// Search routines over the current DFA.  The subject is the whole
// string_view (an embedded zero byte is an ordinary character); every
// routine returns offsets into it.
class TMatchCORE : public TRegularExpression {
public:
  explicit TMatchCORE(void *owner = nullptr);

  TMatchCORE_LineSeparator LineSeparator = mcls_CRLF;

  // Leftmost-longest search for expressions without anchors.
  TMatchSpan SearchPlain(std::string_view text) const;
  // Search in a text that begins at a line start.
  TMatchSpan SearchFromLineStart(std::string_view text) const;
  // Search in a text that does not begin at a line start.
  TMatchSpan SearchInLine(std::string_view text) const;

protected:
  // Longest match from a fixed start, from the start state or (anchored)
  // from the state after a '^'; npos when there is none.
  std::size_t MatchLongest(std::string_view text, std::size_t start, bool anchored) const;
  // Longest match from a line start: the longer of the anchored and the
  // plain path.
  std::size_t MatchAtLineStart(std::string_view text, std::size_t start) const;

private:
  TMatchSpan SearchInLineFrom(std::string_view text) const;
};

// The matcher of the string-replacement step.
class TAWKStr : public TMatchCORE {
public:
  explicit TAWKStr(void *owner = nullptr);
  ~TAWKStr() override;

  void SetRegExp(const std::string &value) override;

  bool UseFuzzyCharDic() const;
  // Stores the flag, then assigns the current expression again under it
  // (which can raise ERegExpParser).
  void SetUseFuzzyCharDic(bool value);
  bool UseSynonymDic() const;
  void SetUseSynonymDic(bool value);

  // Makes value the current expression under the given fuzzy setting, as
  // setting UseFuzzyCharDic and then RegExp would, except that the
  // expression held before is not assigned again under the new setting
  // (a step that can fail on its own, for a pattern nobody asked for).
  void AssignRegExp(const std::string &value, bool useFuzzyCharDic);

  // Replaces every match in text, left to right, by the expansion of templ
  // and returns the number of replacements.  A malformed template raises
  // ERegExpParser at the first match and leaves text unchanged; so does an
  // output that would grow longer than MaxOutput bytes
  // ("置換結果が長すぎます。"), which is found as soon as the output passes
  // the bound, so memory stays bounded whatever the template repeats.
  int ReplaceAll(const std::string &templ, std::string &text);
  static constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);
  std::size_t MaxOutput = kNoLimit;

  // Raises ERegExpParser when templ is malformed (ReplaceAll finds it only
  // at a first match).
  static void CheckTemplate(const std::string &templ);

  // The search routine used for the first search and after a line break.
  TMatchSpan MatchMethod(std::string_view text) const;

  // The template with '&' replaced by matched (three passes: protect '\&',
  // decode escapes, substitute).
  static std::string ExpandReplacement(const std::string &templ, std::string_view matched);

private:
  bool searchFromLineStart_ = false;
  // The last template seen by ReplaceAll, compiled (names are renamed by
  // the hundred with one template).
  std::string templateText_;
  bool templateValid_ = false;
  std::unique_ptr<TCompiledTemplate> compiledTemplate_;
  std::string out_; // output buffer, reused from call to call
};
