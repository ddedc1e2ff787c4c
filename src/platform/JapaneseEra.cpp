// The Japanese era of a date, from ICU's Japanese calendar, so that an era
// that begins after this was written is known as soon as ICU knows it.

#include <unicode/calendar.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <memory>

#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/JapaneseText.h"

namespace {

void Check(UErrorCode status, const char *what) {
  if (U_FAILURE(status))
    throw EKorvaneError(std::string("ICU cannot ") + what + " (" + u_errorName(status) + ")");
}

// Dates are calendar dates without a time zone: everything here works in
// UTC, at noon, far from any day's edge.
class TEraCalendar {
public:
  TEraCalendar() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale japanese("ja_JP@calendar=japanese");
    gregorian_ = std::make_unique<icu::GregorianCalendar>(*icu::TimeZone::getGMT(), status);
    Check(status, "make a Gregorian calendar");
    japanese_.reset(icu::Calendar::createInstance(*icu::TimeZone::getGMT(), japanese, status));
    Check(status, "make the Japanese calendar");
    name_ = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString(u"GGGG"), japanese, status);
    initial_ = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString(u"GGGGG"), japanese, status);
    Check(status, "name the Japanese eras");
    name_->setTimeZone(*icu::TimeZone::getGMT());
    initial_->setTimeZone(*icu::TimeZone::getGMT());
    // Meiji opens the eras of the modern calendar (Japan took the Gregorian
    // calendar in its sixth year); 1900 lies within it.
    meiji_ = EraAt(At(1900, 1, 1));
  }

  std::optional<TJapaneseEra> Of(int year, int month, int day) {
    const UDate date = At(year, month, day);
    if (EraAt(date) < meiji_) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    TJapaneseEra era;
    era.Year = japanese_->get(UCAL_YEAR, status);
    Check(status, "read a year of an era");
    era.Name = Format(*name_, date);
    era.Initial = Format(*initial_, date);
    return era;
  }

private:
  UDate At(int year, int month, int day) {
    UErrorCode status = U_ZERO_ERROR;
    gregorian_->clear();
    gregorian_->set(year, month - 1, day, 12, 0, 0);
    const UDate date = gregorian_->getTime(status);
    Check(status, "place a date");
    return date;
  }

  int EraAt(UDate date) {
    UErrorCode status = U_ZERO_ERROR;
    japanese_->setTime(date, status);
    const int era = japanese_->get(UCAL_ERA, status);
    Check(status, "find an era");
    return era;
  }

  static std::string Format(const icu::SimpleDateFormat &format, UDate date) {
    icu::UnicodeString text;
    format.format(date, text);
    const std::u16string_view view(text.getBuffer(), static_cast<std::size_t>(text.length()));
    return Utf16ToCp932(view).value_or(std::string());
  }

  std::unique_ptr<icu::GregorianCalendar> gregorian_;
  std::unique_ptr<icu::Calendar> japanese_;
  std::unique_ptr<icu::SimpleDateFormat> name_;
  std::unique_ptr<icu::SimpleDateFormat> initial_;
  int meiji_ = 0;
};

}  // namespace

std::optional<TJapaneseEra> JapaneseEraOf(int year, int month, int day) {
  // Calendars are not shared between threads; a run formats one date after
  // another, often the same one, so the last answer is kept.
  thread_local TEraCalendar calendar;
  thread_local bool known = false;
  thread_local int lastYear = 0, lastMonth = 0, lastDay = 0;
  thread_local std::optional<TJapaneseEra> last;
  if (!known || year != lastYear || month != lastMonth || day != lastDay) {
    last = calendar.Of(year, month, day);
    known = true;
    lastYear = year;
    lastMonth = month;
    lastDay = day;
  }
  return last;
}
