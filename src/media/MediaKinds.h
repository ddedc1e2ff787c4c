#pragma once
// The kinds of files the library-backed sources read, each in a module of
// its own (korvane-media-KIND.so), so that a run loads only the libraries
// its files need: a folder of photos never loads libavformat, which brings
// a hundred libraries with it.

#include <array>
#include <string_view>

#include "media/MediaFacts.h"

struct TMediaKind {
  std::string_view Module;  // "exiv2": korvane-media-exiv2.so
  std::string_view Extensions[24];  // lower case, dot included; empty ends the list
  bool HasShotTime;         // read also when only the shooting time is needed
};

extern const std::array<TMediaKind, 4> kMediaKinds;

// True when files of the kind with this extension are read for `need`.
bool KindReads(const TMediaKind &kind, std::string_view extension, TMediaNeed need);
