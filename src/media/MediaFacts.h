#pragma once
// What a file says of itself: when a photo was taken or a video recorded,
// the camera and the picture's size, and the tags of a piece of music.
// Read by a TMetadataSource (MetadataSource.h) through a library that knows
// the format; plain data afterwards.
//
// Texts are UTF-8, as the libraries give them; they become CP932 where a
// name is made of them, on the run's own thread.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/DateTime.h"

// A shooting or recording time.
struct TShotTime {
  // The clock time the file records, to the millisecond: the camera's own
  // clock for a photo, whatever its time zone; for a video, whose time is
  // kept in UTC, this machine's local time of that instant.
  DateTimeParts Local;
  // The instant itself, in milliseconds since 1970-01-01 UTC: a photo's
  // recorded offset from UTC applies when there is one, else the clock
  // time is read as this machine's local time.
  std::int64_t Instant = 0;
};

struct TMediaFacts {
  std::optional<TShotTime> Taken;

  // Images and videos; empty or 0 when the file does not say.
  std::string Camera;
  int Width = 0;
  int Height = 0;

  // Music; empty or 0 when the file does not say.
  std::string Title;
  std::string Artist;
  std::string Album;
  std::string AlbumArtist;
  std::string Genre;
  int Track = 0;
  int Disc = 0;
  int Year = 0;
};

// The shooting time as a file time: the instant as this machine's packed
// local time; nullopt outside what the packed form holds (1980-2107).
std::optional<DosDateTime> ShotDosDateTime(const TShotTime &shot);

// What a run needs to know of its targets.  Reading the shooting time alone
// passes over files that cannot hold one (music).
enum class TMediaNeed { None, Taken, Everything };
