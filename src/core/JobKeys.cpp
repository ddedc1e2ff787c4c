#include "core/JobKeys.h"

#include <algorithm>

#include "core/IniFile.h"
#include "core/JobKeyVisit.h"
#include "core/JobSettingsFile.h"
#include "core/ProfileValues.h"
#include "platform/Cp932.h"

namespace {

using namespace korvane::jobkeys;

// Lists the keys of a brand-new job, its values being the defaults.
class TKeyLister {
public:
  explicit TKeyLister(std::vector<TJobKey> &keys) : keys_(keys) {}

  void Text(std::string_view section, std::string_view key, const std::string &field) {
    Add(section, key, TJobKeyType::Text, field);
  }
  void Caption(std::string_view section, std::string_view key, const std::string &field) {
    TJobKey &added = Add(section, key, TJobKeyType::Caption, field);
    added.Items.assign(kStepCaptions.begin(), kStepCaptions.end());
  }
  void Date(std::string_view section, std::string_view key, const std::string &field) {
    Add(section, key, TJobKeyType::Date, field);
  }
  void Time(std::string_view section, std::string_view key, const std::string &field) {
    Add(section, key, TJobKeyType::Time, field);
  }
  void Flag(std::string_view section, std::string_view key, bool field) {
    TJobKey &added = Add(section, key, TJobKeyType::Flag, field ? "1" : "0");
    added.Max = 1;
  }
  void Integer(std::string_view section, std::string_view key, int field,
               const TDomain &domain) {
    const bool choice = domain.Items != nullptr;
    TJobKey &added =
        Add(section, key, choice ? TJobKeyType::Choice : TJobKeyType::Integer, std::to_string(field));
    added.Min = domain.Min;
    added.Max = domain.Max;
    if (choice) added.Items.assign(domain.Items, domain.Items + domain.Max + 1);
  }

private:
  TJobKey &Add(std::string_view section, std::string_view key, TJobKeyType type,
               const std::string &value) {
    TJobKey added;
    added.Section = section;
    added.Key = key;
    added.Type = type;
    added.Default = value;
    keys_.push_back(std::move(added));
    return keys_.back();
  }

  std::vector<TJobKey> &keys_;
};

// Names compare as the settings file compares them.
bool SameName(std::string_view a, std::string_view b) {
  return LowerCaseCp932(a) == LowerCaseCp932(b);
}

// The domain of a key, checked on the value as the reader reads it.
TJobKeyStatus CheckValue(const TJobKey &key, const std::string &read) {
  switch (key.Type) {
  case TJobKeyType::Text:
  case TJobKeyType::Date:
  case TJobKeyType::Time:
    return TJobKeyStatus::Set;
  case TJobKeyType::Caption:
    return StepNumberOfCaption(read) < 0 ? TJobKeyStatus::NotACaption : TJobKeyStatus::Set;
  case TJobKeyType::Flag:
  case TJobKeyType::Integer:
  case TJobKeyType::Choice:
    break;
  }
  const std::optional<int> number = ParseProfileInteger(read);
  if (!number) return TJobKeyStatus::NotANumber;
  return *number < key.Min || *number > key.Max ? TJobKeyStatus::OutOfRange : TJobKeyStatus::Set;
}

}  // namespace

const std::vector<TJobKey> &JobKeys() {
  static const std::vector<TJobKey> keys = [] {
    std::vector<TJobKey> listed;
    const JobSettings fresh;
    VisitJobKeys(fresh, TKeyLister(listed));
    // A file holds a section's keys together, in the order of the section's
    // first key (the last Copy keys join the Copy section).
    std::vector<std::string> sections;
    for (const TJobKey &key : listed)
      if (std::find(sections.begin(), sections.end(), key.Section) == sections.end())
        sections.push_back(key.Section);
    std::stable_sort(listed.begin(), listed.end(), [&](const TJobKey &a, const TJobKey &b) {
      return std::find(sections.begin(), sections.end(), a.Section) <
             std::find(sections.begin(), sections.end(), b.Section);
    });
    return listed;
  }();
  return keys;
}

TJobKeyResult SetJobKey(JobSettings &job, std::string_view section, std::string_view key,
                        std::string_view value) {
  TJobKeyResult result;
  bool sectionKnown = false;
  for (const TJobKey &known : JobKeys()) {
    const bool inSection = SameName(known.Section, section);
    sectionKnown = sectionKnown || inSection;
    if (!SameName(known.Key, key)) continue;
    if (inSection) {
      result.Key = &known;
      break;
    }
    if (result.OtherSection.empty()) result.OtherSection = known.Section;
  }
  if (result.Key == nullptr) {
    if (!sectionKnown) result.OtherSection.clear();
    result.Status = !sectionKnown                  ? TJobKeyStatus::UnknownSection
                    : result.OtherSection.empty() ? TJobKeyStatus::UnknownKey
                                                  : TJobKeyStatus::KeyOfOtherSection;
    return result;
  }
  // A settings file cannot hold a line break in a value: the reader would
  // see the rest as lines of their own.
  if (value.find_first_of("\r\n") != std::string_view::npos) {
    result.Status = TJobKeyStatus::MultiLine;
    return result;
  }

  // The reader would cut it without a word.
  if (value.size() > kMaxValueBytes) {
    result.Status = TJobKeyStatus::TooLong;
    return result;
  }
  // The reader sees the value the way it sees a file's value.
  TIniFile single;
  single.WriteString(result.Key->Section, result.Key->Key, value);
  result.Read = single.ReadString(result.Key->Section, result.Key->Key, {});
  result.Status = CheckValue(*result.Key, result.Read);
  if (result.Status != TJobKeyStatus::Set) return result;
  JobSettings read = job;
  ReadJobSettings(single, read);
  if (result.Key->Type == TJobKeyType::Caption) {
    // The position the key names is the one the reader changed.
    for (std::size_t position = 0; position < kStepCount; ++position) {
      if (read.Rename.OrderItems[position] == job.Rename.OrderItems[position]) continue;
      MoveStepTo(job.Rename, position, read.Rename.OrderItems[position]);
      break;
    }
    return result;
  }
  job = std::move(read);
  return result;
}
