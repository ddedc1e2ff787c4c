// TRegularExpression: the current expression and the cache of compiled
// automata (each an NFA program with its lazy DFA).  The cache is keyed by the preprocessed text, so a pattern
// that a dictionary rewrites has one entry per dictionary setting; entry 0
// always holds the empty expression, which is current after a failure.

#include "regex/AWKStr.h"
#include "regex/Dfa.h"
#include "regex/Nfa.h"
#include "regex/ParseTree.h"
#include "regex/PreProcessor.h"

TRegularExpression::TRegularExpression(void *owner)
    : owner_(owner), dfaCacheBudget_(TRE_DFA::kDefaultCacheBudget), preprocessor_(std::make_unique<TREPreProcessor>()) {
  cache_.push_back({std::string(), nullptr});
  cacheIndex_ = 0;
  Compile(cache_[0].Key);
  currentDFA_ = cache_[0].DFA.get();
}

TRegularExpression::~TRegularExpression() = default;


void TRegularExpression::SetRegExp(const std::string &value) {
  const std::string copy = value;
  preprocessor_->SetSource(copy);
  preprocessor_->Run(); // a failure here leaves everything as it was
  const std::string key = preprocessor_->ProcessedRegExp;
  try {
    int found = -1;
    for (int i = 0; i < static_cast<int>(cache_.size()); ++i) {
      if (cache_[static_cast<std::size_t>(i)].Key == key) {
        found = i;
        break;
      }
    }
    if (found >= 0) {
      cacheIndex_ = found;
    } else {
      if (static_cast<int>(cache_.size()) >= CacheCapacity) cache_.pop_back();
      cache_.insert(cache_.begin() + 1, TCacheEntry{key, nullptr});
      cacheIndex_ = 1;
      Compile(key);
      std::size_t bytes = 0;
      for (const TCacheEntry &entry : cache_) bytes += entry.DFA->MemoryBound();
      while (cache_.size() > 2 && bytes > kMaxCacheBytes) {
        bytes -= cache_.back().DFA->MemoryBound();
        cache_.pop_back();
      }
    }
    regExp_ = copy;
    currentDFA_ = cache_[static_cast<std::size_t>(cacheIndex_)].DFA.get();
  } catch (...) {
    cacheIndex_ = 0;
    currentDFA_ = cache_[0].DFA.get();
    regExp_.clear();
    throw;
  }
}

void TRegularExpression::Compile(const std::string &key) {
  try {
    // The automata take the leaves as parsed: the DFA's character classes
    // do what separating them would, without its quadratic cost.
    TREParser parser(key);
    parser.Parse();
    TRE_NFA nfa(parser, GetLHeadCode(), GetLTailCode());
    nfa.Run();
    auto dfa = std::make_unique<TRE_DFA>(nfa, dfaCacheBudget_);
    dfa->Run();
    cache_[static_cast<std::size_t>(cacheIndex_)].DFA = std::move(dfa);
    ++compileCount_;
  } catch (...) {
    if (cacheIndex_ != 0) cache_.erase(cache_.begin() + cacheIndex_);
    cacheIndex_ = 0;
    throw;
  }
}
