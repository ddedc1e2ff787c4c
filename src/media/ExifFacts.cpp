#include "media/ExifFacts.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cctype>
#include <string>

#include "media/ShotTime.h"

namespace {

// The keys looked up, made once: a key is parsed and looked up in Exiv2's
// tables when it is made.
struct TKeys {
  Exiv2::ExifKey DateTimeOriginal{"Exif.Photo.DateTimeOriginal"};
  Exiv2::ExifKey OffsetTimeOriginal{"Exif.Photo.OffsetTimeOriginal"};
  Exiv2::ExifKey SubSecTimeOriginal{"Exif.Photo.SubSecTimeOriginal"};
  Exiv2::ExifKey DateTimeDigitized{"Exif.Photo.DateTimeDigitized"};
  Exiv2::ExifKey OffsetTimeDigitized{"Exif.Photo.OffsetTimeDigitized"};
  Exiv2::ExifKey SubSecTimeDigitized{"Exif.Photo.SubSecTimeDigitized"};
  Exiv2::ExifKey Make{"Exif.Image.Make"};
  Exiv2::ExifKey Model{"Exif.Image.Model"};
  Exiv2::ExifKey PixelXDimension{"Exif.Photo.PixelXDimension"};
  Exiv2::ExifKey PixelYDimension{"Exif.Photo.PixelYDimension"};
};

const TKeys &Keys() {
  static const TKeys keys;
  return keys;
}

std::string TextOf(const Exiv2::ExifData &exif, const Exiv2::ExifKey &key) {
  const auto found = exif.findKey(key);
  if (found == exif.end()) return {};
  std::string text = found->toString();
  // Cameras pad their texts with blanks and NULs.
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  while (!text.empty() && text.front() == ' ') text.erase(0, 1);
  return text;
}

int NumberOf(const Exiv2::ExifData &exif, const Exiv2::ExifKey &key) {
  const auto found = exif.findKey(key);
  if (found == exif.end() || found->count() == 0) return 0;
  const long value = found->toLong();
  return value > 0 && value < 1000000 ? static_cast<int>(value) : 0;
}

std::optional<TShotTime> ShotOf(const Exiv2::ExifData &exif, const Exiv2::ExifKey &dateKey,
                                const Exiv2::ExifKey &offsetKey, const Exiv2::ExifKey &subSecKey) {
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
  const TKeys &keys = Keys();
  if (!facts.Taken)
    facts.Taken = ShotOf(exif, keys.DateTimeOriginal, keys.OffsetTimeOriginal, keys.SubSecTimeOriginal);
  if (!facts.Taken)
    facts.Taken = ShotOf(exif, keys.DateTimeDigitized, keys.OffsetTimeDigitized, keys.SubSecTimeDigitized);
  if (facts.Camera.empty()) {
    const std::string make = TextOf(exif, keys.Make);
    const std::string model = TextOf(exif, keys.Model);
    if (model.empty()) facts.Camera = make;
    else if (make.empty() || StartsWithWordOf(model, make)) facts.Camera = model;
    else facts.Camera = make + " " + model;
  }
  if (facts.Width == 0 || facts.Height == 0) {
    facts.Width = NumberOf(exif, keys.PixelXDimension);
    facts.Height = NumberOf(exif, keys.PixelYDimension);
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
