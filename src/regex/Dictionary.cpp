#include "regex/Dictionary.h"

#include "regex/MBChar.h"

namespace {

// Character codes of a word; a lead byte that ends the word counts as one
// byte, so that a damaged word can only fail to match.
std::vector<std::uint16_t> Decode(std::string_view word) {
  std::vector<std::uint16_t> codes;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const auto b = static_cast<unsigned char>(word[i]);
    if (IsLeadByte(b) && i + 1 < word.size()) {
      codes.push_back(static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(word[++i])));
    } else {
      codes.push_back(b);
    }
  }
  return codes;
}

} // namespace

TREDictionary::TREDictionary(std::vector<TWordGroup> groups) : groups_(std::move(groups)) {
  groupTexts_.reserve(groups_.size());
  for (int g = 0; g < static_cast<int>(groups_.size()); ++g) {
    std::string text = "(";
    bool first = true;
    for (const std::string &word : groups_[g]) {
      if (!first) text += '|';
      first = false;
      text += QuoteMetaChars(word);
      if (word.empty()) continue;
      TCandidate candidate{g, Decode(word)};
      byFirstCode_[candidate.Codes.front()].push_back(std::move(candidate));
    }
    text += ')';
    groupTexts_.push_back(std::move(text));
  }
}

std::size_t TREDictionary::Lookup(const std::uint16_t *codes, std::size_t count,
                                  const std::string **groupText) const {
  if (count == 0) return 0;
  const auto found = byFirstCode_.find(codes[0]);
  if (found == byFirstCode_.end()) return 0;
  for (const TCandidate &candidate : found->second) {
    const std::size_t n = candidate.Codes.size();
    if (n > count) continue;
    bool equal = true;
    for (std::size_t k = 1; k < n && equal; ++k) equal = candidate.Codes[k] == codes[k];
    if (!equal) continue;
    *groupText = &groupTexts_[candidate.Group];
    return n;
  }
  return 0;
}

std::vector<std::string> SplitCommaText(std::string_view text) {
  std::vector<std::string> words;
  std::size_t p = 0;
  const std::size_t n = text.size();
  auto isBlank = [&](std::size_t i) { return static_cast<unsigned char>(text[i]) <= ' '; };
  while (p < n && isBlank(p)) ++p;
  while (p < n) {
    std::string word;
    if (text[p] == '"') {
      ++p;
      while (p < n) {
        if (text[p] == '"') {
          if (p + 1 < n && text[p + 1] == '"') {
            word += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        if (IsLeadByte(static_cast<unsigned char>(text[p])) && p + 1 < n) word += text[p++];
        word += text[p++];
      }
    } else {
      while (p < n && !isBlank(p) && text[p] != ',') {
        if (IsLeadByte(static_cast<unsigned char>(text[p])) && p + 1 < n) word += text[p++];
        word += text[p++];
      }
    }
    words.push_back(std::move(word));
    while (p < n && isBlank(p)) ++p;
    if (p < n && text[p] == ',') {
      ++p;
      while (p < n && isBlank(p)) ++p;
      if (p == n) words.emplace_back(); // a trailing comma adds an empty word
    }
  }
  return words;
}
