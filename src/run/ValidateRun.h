#pragma once
// Pre-run validation: checks the job in its order and computes what the run
// needs in converted form (the narrowing's date range, the times and the
// attribute value the change will write).  A pure function: the driver
// applies the outcome to the host, itself and TChangeCn.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/JobSettings.h"
#include "platform/DateTime.h"
#include "run/RunHost.h"
#include "run/RunMode.h"

extern const std::string_view kMsgNoFolder;
extern const std::string_view kMsgNoFilter;
extern const std::string_view kMsgBadDate;
extern const std::string_view kMsgNoCopyFolder;
extern const std::string_view kMsgNoRenameStep;
extern const std::string_view kMsgNoChange;
extern const std::string_view kMsgNoDate;

struct TValidation {
  bool Accepted = false;
  // Refusal: the message for the status panel (nullopt: leave the panel as
  // it is), the page to bring forward and the control to focus.
  std::optional<std::string> Message;
  TRunPage Page = TRunPage::None;
  TRunFocus Focus = TRunFocus::None;

  // Computed values; nullopt leaves the previous value in place.
  std::optional<DateTimeParts> DateRangeFrom;
  std::optional<DateTimeParts> DateRangeTo;
  std::optional<DosDateTime> UpDateValue;
  std::optional<DosDateTime> NwDateValue;
  std::optional<DosDateTime> AcDateValue;
  std::optional<std::uint32_t> AttrValue;
};

// `now` is the local date and time taken once for the run.
TValidation ValidateRun(RunMode mode, const JobSettings &job, const DateTimeParts &now);

// A date field is empty when, trimmed of blanks, it is empty or it is the
// empty mask "    /  /  ".
bool IsEmptyDateField(std::string_view date);
// Reads "yyyy/mm/dd" and "hh:nn:ss" as a local date and time; nullopt for a
// text that is not a valid date and time (a blank part, month 13, hour 24).
std::optional<DateTimeParts> ParseDateTimeFields(std::string_view date, std::string_view time);
// A local date-time as DosDateTime: odd seconds dropped, 0 outside 1980-2107.
DosDateTime DateTimeToDos(const DateTimeParts &value);
