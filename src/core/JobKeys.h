#pragma once
// The job keys one by one, for front ends that name them: a table of every
// key with its kind of value, domain and default, and setting a single key
// from its text exactly as a settings file holding only that key would set
// it.  Both come from the same key list the settings file is read with.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/JobSettings.h"

enum class TJobKeyType {
  Text,     // free text
  Caption,  // one of the six rename step captions
  Date,     // "yyyy/mm/dd"; blanks in every digit position: no date
  Time,     // "hh:nn:ss"
  Flag,     // 0 or 1
  Integer,  // a number from Min to Max
  Choice,   // an item index from Min to Max; Items names them
};

struct TJobKey {
  std::string Section;
  std::string Key;  // spelt as the settings file spells it
  TJobKeyType Type = TJobKeyType::Text;
  int Min = 0;
  int Max = 0;
  std::vector<std::string_view> Items;  // Choice: item texts; Caption: the captions (CP932)
  std::string Default;                  // the value a new window writes (CP932)
};

// Every job key, in the order a new settings file lists them (section by
// section).
const std::vector<TJobKey> &JobKeys();

enum class TJobKeyStatus {
  Set,
  UnknownSection,
  UnknownKey,         // not a key of that section (nor of any other)
  KeyOfOtherSection,  // a key of another section; OtherSection names it
  MultiLine,          // the value holds CR or LF
  TooLong,            // longer than a settings value can be
  NotANumber,         // an integer, flag or choice that does not read as a number
  OutOfRange,         // a number outside Min..Max (a flag: not 0 or 1)
  NotACaption,        // an order item that is none of the six captions
};

struct TJobKeyResult {
  TJobKeyStatus Status = TJobKeyStatus::Set;
  const TJobKey *Key = nullptr;  // the key found (nullptr when none)
  std::string OtherSection;      // KeyOfOtherSection
  std::string Read;              // the value as the reader saw it (trimmed, unquoted, CP932)
};

// Finds a key as the settings file does (section and key names ignore ASCII
// letter case) and, when the value is within the key's domain, sets it in
// `job` by reading a settings text that holds only this key: the same
// trimming, quotes, number forms and domain rules as ReadJobSettings.  A
// value the reader would silently clamp, drop or ignore is refused instead,
// and `job` is left as it was.  An order item (OrderItemsN) is the one
// exception to reading it as a file would: it moves its step to position N
// and the step that was there to the moved step's old place (MoveStepTo), so
// the list never holds a step twice.  Section, key and value are CP932.
TJobKeyResult SetJobKey(JobSettings &job, std::string_view section, std::string_view key,
                        std::string_view value);
