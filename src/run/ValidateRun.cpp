#include "run/ValidateRun.h"

#include <array>

#include "platform/FileSystem.h"

// Defined here rather than inline in the header, so that the window's sources
// (compiled with UTF-8 literals) share these CP932 bytes.
const std::string_view kMsgNoFolder = "対象フォルダが存在しません。";
const std::string_view kMsgNoFilter = "対象ファイルフィルタが指定されていません。";
const std::string_view kMsgBadDate = "入力された日時指定が無効です。";
const std::string_view kMsgNoCopyFolder = "コピー先フォルダが存在しません。";
const std::string_view kMsgNoRenameStep = "リネーム方法が一つも選択されていません。";
const std::string_view kMsgNoChange = "日時・属性の変更指定がされていません。";
const std::string_view kMsgNoDate = "日付指定がされていません。";

namespace {

// One numeric part of a masked field: blanks, then at least one digit, then
// blanks; nothing else.  A blank digit position in the middle ("2 03") or a
// part without digits is not a number.
std::optional<int> ReadPart(std::string_view part) {
  std::size_t i = 0;
  while (i < part.size() && part[i] == ' ') ++i;
  std::size_t digits = i;
  int value = 0;
  while (i < part.size() && part[i] >= '0' && part[i] <= '9' && i - digits < 9) {
    value = value * 10 + (part[i] - '0');
    ++i;
  }
  if (i == digits) return std::nullopt;
  while (i < part.size() && part[i] == ' ') ++i;
  if (i != part.size()) return std::nullopt;
  return value;
}

// Splits "a<sep>b<sep>c" into three numbers.
std::optional<std::array<int, 3>> ReadTriple(std::string_view text, char separator) {
  std::array<int, 3> values{};
  for (std::size_t n = 0; n < 3; ++n) {
    std::size_t end = n < 2 ? text.find(separator) : std::string_view::npos;
    if (n < 2 && end == std::string_view::npos) return std::nullopt;
    std::optional<int> value = ReadPart(text.substr(0, end));
    if (!value) return std::nullopt;
    values[n] = *value;
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
  }
  return values;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

TValidation Refuse(TValidation &validation, std::optional<std::string_view> message,
                   TRunPage page, TRunFocus focus) {
  validation.Accepted = false;
  if (message) validation.Message = std::string(*message);
  validation.Page = page;
  validation.Focus = focus;
  return validation;
}

struct TTimeToSet {
  bool IfDate;
  bool FromFile;  // each target's own shooting time: nothing typed is read
  bool Current;
  const std::string &Date;
  const std::string &Time;
  TRunFocus Focus;
  std::optional<DosDateTime> &Value;
};

}  // namespace

bool IsEmptyDateField(std::string_view date) {
  std::size_t first = date.find_first_not_of(' ');
  return first == std::string_view::npos || date == kEmptyDate;
}

std::optional<DateTimeParts> ParseDateTimeFields(std::string_view date, std::string_view time) {
  std::optional<std::array<int, 3>> ymd = ReadTriple(date, '/');
  std::optional<std::array<int, 3>> hms = ReadTriple(time, ':');
  if (!ymd || !hms) return std::nullopt;
  DateTimeParts parts;
  parts.Year = (*ymd)[0];
  parts.Month = (*ymd)[1];
  parts.Day = (*ymd)[2];
  parts.Hour = (*hms)[0];
  parts.Minute = (*hms)[1];
  parts.Second = (*hms)[2];
  if (parts.Year < 1 || parts.Year > 9999 || parts.Month < 1 || parts.Month > 12) return std::nullopt;
  if (parts.Day < 1 || parts.Day > DaysInMonth(parts.Year, parts.Month)) return std::nullopt;
  if (parts.Hour > 23 || parts.Minute > 59 || parts.Second > 59) return std::nullopt;
  return parts;
}

DosDateTime DateTimeToDos(const DateTimeParts &value) {
  DateTimeParts whole = value;
  whole.MilliSecond = 0;
  return PackDosDateTime(whole).value_or(0);
}

TValidation ValidateRun(RunMode mode, const JobSettings &job, const DateTimeParts &now) {
  TValidation v;
  const JobSettings::FindFileGroup &find = job.FindFile;
  const JobSettings::ChangeGroup &change = job.Change;

  if (!FolderExists(find.Folder))
    return Refuse(v, kMsgNoFolder, TRunPage::TabSheetTarget, TRunFocus::ComboBoxFolder);
  if (find.Filter.empty())
    return Refuse(v, kMsgNoFilter, TRunPage::TabSheetTarget, TRunFocus::ComboBoxFilter);

  if (!IsEmptyDateField(find.DateFrom)) {
    v.DateRangeFrom = ParseDateTimeFields(find.DateFrom, find.TimeFrom);
    if (!v.DateRangeFrom)
      return Refuse(v, kMsgBadDate, TRunPage::TabSheetCond, TRunFocus::MaskEditDateFrom);
  }
  if (!IsEmptyDateField(find.DateTo)) {
    v.DateRangeTo = ParseDateTimeFields(find.DateTo, find.TimeTo);
    if (!v.DateRangeTo)
      return Refuse(v, kMsgBadDate, TRunPage::TabSheetCond, TRunFocus::MaskEditDateTo);
  }

  if (mode == RunMode::Copy && !FolderExists(job.Copy.Folder))
    return Refuse(v, kMsgNoCopyFolder, TRunPage::None, TRunFocus::ComboBoxCopyFolder);
  // Checked positions always come first, so the first one tells.
  if (mode == RunMode::Rename && !job.Rename.OrderChecked[0])
    return Refuse(v, kMsgNoRenameStep, TRunPage::None, TRunFocus::None);
  if (mode == RunMode::Change && !change.IfUpDate && !change.IfNwDate && !change.IfAcDate &&
      !change.Attr)
    return Refuse(v, kMsgNoChange, TRunPage::None, TRunFocus::None);

  if (mode == RunMode::Rename || mode == RunMode::Copy || mode == RunMode::Change) {
    const TTimeToSet times[] = {
        {change.IfUpDate, change.UpDateShot, change.UpCurrent, change.UpDate, change.UpTime,
         TRunFocus::MaskEditUpDate, v.UpDateValue},
        {change.IfNwDate, false, change.NwCurrent, change.NwDate, change.NwTime,
         TRunFocus::MaskEditNwDate, v.NwDateValue},
        {change.IfAcDate, false, change.AcCurrent, change.AcDate, change.AcTime,
         TRunFocus::MaskEditAcDate, v.AcDateValue},
    };
    for (const TTimeToSet &time : times) {
      if (time.IfDate && time.FromFile) continue;
      if (time.IfDate && !time.Current) {
        if (IsEmptyDateField(time.Date))
          return Refuse(v, kMsgNoDate, TRunPage::None, time.Focus);
        std::optional<DateTimeParts> parsed = ParseDateTimeFields(time.Date, time.Time);
        // An invalid date here only moves the focus; the status panel keeps
        // what it showed.
        if (!parsed) return Refuse(v, std::nullopt, TRunPage::None, time.Focus);
        time.Value = DateTimeToDos(*parsed);
      } else if (time.Current) {
        time.Value = DateTimeToDos(now);
      }
    }
    if (change.Attr) {
      std::uint32_t attributes = 0;
      if (change.AttrSysFile) attributes += 4;
      if (change.AttrHidden) attributes += 2;
      if (change.AttrReadOnly) attributes += 1;
      if (change.AttrArchive) attributes += 32;
      v.AttrValue = attributes;
    }
  }
  v.Accepted = true;
  return v;
}
