// Makes COUNT small JPEG photos IMG_00001.JPG ... in FOLDER, each with its
// own EXIF DateTimeOriginal (seven seconds apart from 2021-07-15 08:00:00,
// in the reverse order of their names), for the shooting-time rows of
// bench_batch.sh.  One photo is made through Exiv2; the others are copies
// with their date text written over.
//   korvane-make-photos FOLDER COUNT

#include <exiv2/exiv2.hpp>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: korvane-make-photos FOLDER COUNT\n");
    return 2;
  }
  const std::string folder = argv[1];
  const long count = std::atol(argv[2]);
  const std::string first = folder + "/IMG_00001.JPG";
  const std::string marker = "2000:01:01 00:00:00";
  {
    auto image = Exiv2::ImageFactory::create(Exiv2::ImageType::jpeg, first);
    image->readMetadata();
    Exiv2::ExifData exif;
    exif["Exif.Image.Make"] = "Korvane";
    exif["Exif.Image.Model"] = "Bench Camera";
    exif["Exif.Photo.DateTimeOriginal"] = marker;
    image->setExifData(exif);
    image->writeMetadata();
  }
  std::ifstream in(first, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), {}};
  const std::size_t at = bytes.find(marker);
  if (at == std::string::npos) return 1;
  std::tm start{};
  start.tm_year = 121;
  start.tm_mon = 6;
  start.tm_mday = 15;
  start.tm_hour = 8;
  const std::time_t base = timegm(&start);
  for (long i = 0; i < count; ++i) {
    const std::time_t taken = base + (count - 1 - i) * 7;
    std::tm tm{};
    gmtime_r(&taken, &tm);
    char date[32];
    std::strftime(date, sizeof date, "%Y:%m:%d %H:%M:%S", &tm);
    bytes.replace(at, marker.size(), date);
    char name[32];
    std::snprintf(name, sizeof name, "/IMG_%05ld.JPG", i + 1);
    std::ofstream out(folder + name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return 1;
  }
  return 0;
}
