// Photos through Exiv2.  Exiv2 reads a file through its own I/O object; it
// is given the descriptor's name in /proc, which reopens the very file the
// run opened relative to its folder (no path walked again, no link
// followed).  Exiv2 maps a TIFF-based file into memory and reads its
// directories where they lie, so a raw file costs the pages of its
// directories, not its size.

#include <exiv2/exiv2.hpp>

#include <array>
#include <string>

#include "media/ExifFacts.h"
#include "media/LibrarySources.h"

namespace {

constexpr std::array<std::string_view, 21> kExtensions = {
    ".jpg", ".jpeg", ".jpe", ".jfif", ".tif", ".tiff", ".dng", ".cr2", ".cr3", ".nef", ".nrw",
    ".arw", ".srf",  ".sr2", ".orf",  ".rw2", ".pef",  ".srw", ".png", ".webp", ".exv"};

class TExiv2Source final : public TMetadataSource {
public:
  bool Reads(std::string_view extension, TMediaNeed need) const override {
    if (need == TMediaNeed::None) return false;
    for (const std::string_view known : kExtensions)
      if (known == extension) return true;
    return false;
  }

  bool Read(const TMediaInput &input, TMediaFacts &facts) const override {
    try {
      Exiv2::BasicIo::AutoPtr io(new Exiv2::FileIo("/proc/self/fd/" + std::to_string(input.Fd)));
      Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(io);
      if (image.get() == nullptr) return false;
      image->readMetadata();
      facts.Width = image->pixelWidth();
      facts.Height = image->pixelHeight();
      AddExifFacts(image->exifData(), facts);
      return true;
    } catch (const std::exception &) {
      return false;
    }
  }
};

}  // namespace

std::unique_ptr<TMetadataSource> MakeExiv2Source() { return std::make_unique<TExiv2Source>(); }
