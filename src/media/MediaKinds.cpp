#include "media/MediaKinds.h"

// HEIF before Exiv2: Exiv2's reader of these containers misses an EXIF item
// placed with a base offset, as libheif itself writes them.
const std::array<TMediaKind, 4> kMediaKinds = {{
    {"heif", {".heic", ".heif", ".hif", ".avif"}, true},
    {"exiv2",
     {".jpg", ".jpeg", ".jpe", ".jfif", ".tif", ".tiff", ".dng", ".cr2", ".cr3", ".nef", ".nrw",
      ".arw", ".srf", ".sr2", ".orf", ".rw2", ".pef", ".srw", ".png", ".webp", ".exv"},
     true},
    {"video", {".mp4", ".m4v", ".mov", ".qt", ".3gp", ".3g2"}, true},
    {"tags", {".mp3", ".flac", ".ogg", ".oga", ".opus", ".m4a", ".m4b"}, false},
}};

bool KindReads(const TMediaKind &kind, std::string_view extension, TMediaNeed need) {
  if (need == TMediaNeed::None || (need == TMediaNeed::Taken && !kind.HasShotTime)) return false;
  for (const std::string_view known : kind.Extensions) {
    if (known.empty()) break;
    if (known == extension) return true;
  }
  return false;
}
