#include "media/ExifFacts.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cctype>
#include <string>

#include "media/ShotTime.h"

namespace {

std::string TextOf(const Exiv2::ExifData &exif, const char *key) {
  const auto found = exif.findKey(Exiv2::ExifKey(key));
  if (found == exif.end()) return {};
  std::string text = found->toString();
  // Cameras pad their texts with blanks and NULs.
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  while (!text.empty() && text.front() == ' ') text.erase(0, 1);
  return text;
}

int NumberOf(const Exiv2::ExifData &exif, const char *key) {
  const auto found = exif.findKey(Exiv2::ExifKey(key));
  if (found == exif.end() || found->count() == 0) return 0;
  const long value = found->toLong();
  return value > 0 && value < 1000000 ? static_cast<int>(value) : 0;
}

std::optional<TShotTime> ShotOf(const Exiv2::ExifData &exif, const char *dateKey,
                                const char *offsetKey, const char *subSecKey) {
  std::optional<DateTimeParts> clock = ParseExifDateTime(TextOf(exif, dateKey));
  if (!clock) return std::nullopt;
  clock->MilliSecond = ParseSubSeconds(TextOf(exif, subSecKey));
  return ShotTimeFromClock(*clock, ParseUtcOffset(TextOf(exif, offsetKey)));
}

bool StartsWithWordOf(const std::string &model, const std::string &make) {
  const std::string word = make.substr(0, make.find(' '));
  if (word.empty() || model.size() < word.size()) return false;
  return std::equal(word.begin(), word.end(), model.begin(), [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
}

}  // namespace

void AddExifFacts(const Exiv2::ExifData &exif, TMediaFacts &facts) {
  if (!facts.Taken)
    facts.Taken = ShotOf(exif, "Exif.Photo.DateTimeOriginal", "Exif.Photo.OffsetTimeOriginal",
                         "Exif.Photo.SubSecTimeOriginal");
  if (!facts.Taken)
    facts.Taken = ShotOf(exif, "Exif.Photo.DateTimeDigitized", "Exif.Photo.OffsetTimeDigitized",
                         "Exif.Photo.SubSecTimeDigitized");
  if (facts.Camera.empty()) {
    const std::string make = TextOf(exif, "Exif.Image.Make");
    const std::string model = TextOf(exif, "Exif.Image.Model");
    if (model.empty()) facts.Camera = make;
    else if (make.empty() || StartsWithWordOf(model, make)) facts.Camera = model;
    else facts.Camera = make + " " + model;
  }
  if (facts.Width == 0 || facts.Height == 0) {
    facts.Width = NumberOf(exif, "Exif.Photo.PixelXDimension");
    facts.Height = NumberOf(exif, "Exif.Photo.PixelYDimension");
  }
}

bool AddExifBlock(const unsigned char *data, std::size_t size, TMediaFacts &facts) {
  if (size < 8 || size > 0x7FFFFFFF) return false;
  Exiv2::ExifData exif;
  try {
    if (Exiv2::ExifParser::decode(exif, data, static_cast<std::uint32_t>(size)) ==
        Exiv2::invalidByteOrder)
      return false;
  } catch (const std::exception &) {
    return false;
  }
  AddExifFacts(exif, facts);
  return true;
}
