#include "cli/BatchKeys.h"

#include "cli/BatchMessages.h"
#include "core/IniFile.h"
#include "core/JobSettingsFile.h"
#include "platform/Cp932.h"
#include "run/ValidateRun.h"

namespace {

std::string U8(const char8_t *text) { return reinterpret_cast<const char *>(text); }

std::string Shown(std::string_view cp932) { return Cp932ToUtf8Lossy(cp932); }

std::string FullName(const TJobKey &key) { return key.Section + "." + key.Key; }

std::string ItemList(const TJobKey &key) {
  std::string list;
  for (std::size_t i = 0; i < key.Items.size(); ++i) {
    if (i > 0) list += ", ";
    if (key.Type == TJobKeyType::Choice) list += std::to_string(i) + " ";
    list += Shown(key.Items[i]);
  }
  return list;
}

// Dates and times must read as a date and a time, or be blank: the run
// would refuse them later, far from the argument that was wrong.
bool ValidDateOrTime(const TJobKey &key, const std::string &read) {
  if (key.Type == TJobKeyType::Date) {
    return IsEmptyDateField(read) || ParseDateTimeFields(read, "00:00:00").has_value();
  }
  if (key.Type == TJobKeyType::Time) {
    return read == kEmptyTime || ParseDateTimeFields("2000/01/01", read).has_value();
  }
  return true;
}

// What a key accepts, for a message.
std::string MessageDomain(const TJobKey &key) {
  const std::string min = std::to_string(key.Min);
  const std::string max = std::to_string(key.Max);
  switch (key.Type) {
  case TJobKeyType::Text: return BatchText(TBatchText::DomainText);
  case TJobKeyType::Caption: return BatchText(TBatchText::DomainCaption);
  case TJobKeyType::Date: return BatchText(TBatchText::DomainDate);
  case TJobKeyType::Time: return BatchText(TBatchText::DomainTime);
  case TJobKeyType::Flag: return BatchText(TBatchText::DomainFlag);
  case TJobKeyType::Integer: return BatchText(TBatchText::DomainInteger, {min, max});
  case TJobKeyType::Choice: return BatchText(TBatchText::DomainChoice, {min, max});
  }
  return BatchText(TBatchText::DomainText);
}

std::string SetError(const TBatchSetting &setting, const TJobKeyResult &result) {
  const std::string &argument = setting.Argument;
  const std::string section = Shown(setting.Section);
  const std::string key = Shown(setting.Key);
  switch (result.Status) {
  case TJobKeyStatus::UnknownSection:
    return BatchText(TBatchText::KeyUnknownSection, {argument, section});
  case TJobKeyStatus::UnknownKey:
    return BatchText(TBatchText::KeyUnknown, {argument, section, key});
  case TJobKeyStatus::KeyOfOtherSection:
    return BatchText(TBatchText::KeyOfOtherSection, {argument, key, result.OtherSection, section});
  case TJobKeyStatus::MultiLine:
    return BatchText(TBatchText::KeyMultiLine, {argument});
  case TJobKeyStatus::TooLong:
    return BatchText(TBatchText::KeyTooLong, {argument});
  case TJobKeyStatus::NotACaption:
    return BatchText(TBatchText::KeyNotACaption,
                     {argument, FullName(*result.Key), ItemList(*result.Key), Shown(result.Read)});
  case TJobKeyStatus::NotANumber:
  case TJobKeyStatus::OutOfRange:
  case TJobKeyStatus::Set:
    break;
  }
  return BatchText(TBatchText::KeyOutOfDomain,
                   {argument, FullName(*result.Key), MessageDomain(*result.Key), Shown(result.Read)});
}

std::string Padded(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

}  // namespace

std::string DomainText(const TJobKey &key) {
  switch (key.Type) {
  case TJobKeyType::Text: return "text";
  case TJobKeyType::Caption: return "a step name";
  case TJobKeyType::Date: return "a date yyyy/mm/dd (blank: none)";
  case TJobKeyType::Time: return "a time hh:nn:ss";
  case TJobKeyType::Flag: return "a flag, 0 or 1";
  case TJobKeyType::Integer:
    return "an integer from " + std::to_string(key.Min) + " to " + std::to_string(key.Max);
  case TJobKeyType::Choice:
    return "a choice from " + std::to_string(key.Min) + " to " + std::to_string(key.Max);
  }
  return "text";
}

std::optional<std::string> ApplyBatchSettings(const std::vector<TBatchSetting> &settings,
                                              JobSettings &job) {
  for (const TBatchSetting &setting : settings) {
    JobSettings trial = job;
    const TJobKeyResult result = SetJobKey(trial, setting.Section, setting.Key, setting.Value);
    if (result.Status != TJobKeyStatus::Set) return SetError(setting, result);
    if (!ValidDateOrTime(*result.Key, result.Read))
      return BatchText(result.Key->Type == TJobKeyType::Date ? TBatchText::KeyBadDate
                                                            : TBatchText::KeyBadTime,
                       {setting.Argument, Shown(result.Read), FullName(*result.Key),
                        MessageDomain(*result.Key)});
    job = std::move(trial);
  }
  return std::nullopt;
}

std::optional<std::string> SettingsFileText(const JobSettings &job, std::string &error) {
  TIniFile file;
  WriteJobSettings(file, job);
  const std::string text = file.Text();
  std::string utf8;
  utf8.reserve(text.size() + text.size() / 4);
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::optional<std::string> converted = Cp932ToUtf8(line);
    if (!converted) {
      error = BatchText(TBatchText::JobNotShiftJis, {Shown(line.substr(0, line.find('=')))});
      return std::nullopt;
    }
    utf8 += *converted;
    utf8 += '\n';
    start = end + 1;
  }
  return utf8;
}

std::string HelpKeysText() {
  std::string text = U8(
      u8"Keys of a Korvane settings file, for --set SECTION.KEY=VALUE.\n"
      u8"Names ignore letter case.  A value is read as the same line of a settings\n"
      u8"file: blanks around it and one pair of enclosing quotes are dropped, and an\n"
      u8"integer may also be written 0x1F or $1F.  Step names are the six captions of\n"
      u8"the rename order list; the steps apply in the order of the OrderItems keys\n"
      u8"whose OrderChecked key is 1.  --set Rename.OrderItemsN=STEP moves STEP to\n"
      u8"position N, and the step there to the place STEP left.\n");
  std::string section;
  for (const TJobKey &key : JobKeys()) {
    if (key.Section != section) {
      section = key.Section;
      text += "\n[" + section + "]\n";
    }
    std::string line = "  " + Padded(FullName(key), 24) + Padded(DomainText(key), 34);
    line += "default " + std::string(key.Type == TJobKeyType::Flag ||
                                              key.Type == TJobKeyType::Integer ||
                                              key.Type == TJobKeyType::Choice
                                          ? Shown(key.Default)
                                          : "\"" + Shown(key.Default) + "\"");
    text += line + "\n";
    if (key.Type == TJobKeyType::Choice) {
      for (std::size_t i = 0; i < key.Items.size(); ++i)
        text += "      " + std::to_string(i) + "  " + Shown(key.Items[i]) + "\n";
    } else if (key.Type == TJobKeyType::Caption) {
      text += "      one of: " + ItemList(key) + "\n";
    }
  }
  return text;
}
