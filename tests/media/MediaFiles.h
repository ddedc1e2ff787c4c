#pragma once
// Media files made by the tests themselves: photos with the EXIF a test
// chooses (written through Exiv2, HEIF through libheif's encoder), videos
// with a known movie header, music with tags written through TagLib.
// Nothing is downloaded.  Paths are UTF-8.

#include <cstdint>
#include <map>
#include <string>

// EXIF keys ("Exif.Photo.DateTimeOriginal") and their values.
using TExif = std::map<std::string, std::string>;

// The EXIF block in TIFF layout, as a HEIF or PNG file carries it.
std::string ExifBlock(const TExif &exif);

void MakeJpeg(const std::string &path, const TExif &exif, std::size_t trailingBytes = 0);
void MakeTiff(const std::string &path, const TExif &exif);
void MakePngWithExifChunk(const std::string &path, const TExif &exif);
void MakeWebp(const std::string &path, const TExif &exif);
// A Canon CR3 as the camera lays it out: an ISO media file whose movie box
// holds Canon's box with the first directory (CMT1) and the EXIF directory
// (CMT2) as TIFF blocks.
void MakeCr3(const std::string &path, const std::string &make, const std::string &model,
             const std::string &taken);
// HEVC ("heic") or AV1 ("avif") through libheif's encoders; 64 x 48 pixels.
void MakeHeif(const std::string &path, const TExif &exif, bool avif);

// An ISO media file (MP4, MOV, 3GP by `brand`) with a movie header holding
// `creation` (seconds since 1904-01-01 UTC, the header's own count), in
// its 64-bit form when `longHeader`; `mediaBytes` of media data, stored
// before the movie box when `movieLast`.
void MakeMovie(const std::string &path, const std::string &brand, std::uint64_t creation,
               bool longHeader, std::size_t mediaBytes, bool movieLast);
// Seconds since 1904-01-01 UTC of a UTC date.
std::uint64_t MovieTime(int year, int month, int day, int hour, int minute, int second);

struct TTags {
  std::string Title, Artist, Album, AlbumArtist, Genre;  // UTF-8
  std::string Latin1Title;  // raw bytes for an ID3v2 title frame that says Latin-1
  int Track = 0, TrackCount = 0, Disc = 0, Year = 0;
};
void MakeMp3(const std::string &path, const TTags &tags);
void MakeFlac(const std::string &path, const TTags &tags);
void MakeM4a(const std::string &path, const TTags &tags);

void WriteBytes(const std::string &path, const std::string &bytes);
