#pragma once
// Word dictionaries of the preprocessor.  A dictionary is an ordered list
// of word groups; a group is an ordered list of words that count as the
// same.  Lookups take the first word (in group order, then word order) that
// equals the characters at hand, not the longest.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TREDictionary {
public:
  using TWordGroup = std::vector<std::string>;

  explicit TREDictionary(std::vector<TWordGroup> groups);

  const std::vector<TWordGroup> &Groups() const { return groups_; }

  // The first word whose character codes equal a prefix of codes.  Returns
  // the number of codes it covers (0: none) and its group's alternation
  // text "(w1|w2|...)", each word with its metacharacters quoted.
  std::size_t Lookup(const std::uint16_t *codes, std::size_t count, const std::string **groupText) const;

private:
  struct TCandidate {
    int Group;
    std::vector<std::uint16_t> Codes;
  };

  std::vector<TWordGroup> groups_;
  std::vector<std::string> groupTexts_;
  // Candidates by their first character code, in lookup order.
  std::unordered_map<std::uint16_t, std::vector<TCandidate>> byFirstCode_;
};

// Splits comma text: words separated by commas, optionally in double quotes
// (a doubled quote inside stands for one), spaces and control bytes around
// words skipped, an unquoted word ending at a comma or a byte not above the
// space; a comma at the very end adds an empty word.
std::vector<std::string> SplitCommaText(std::string_view text);
