#pragma once
// The facts an EXIF block holds, for the sources that find one: Exiv2's own
// image formats, and HEIF, whose EXIF libheif hands over as a block.
// Exiv2's headers stay inside the media sources.

#include <cstddef>

#include "media/MediaFacts.h"

namespace Exiv2 {
class ExifData;
}

// Shooting time: DateTimeOriginal with OffsetTimeOriginal and
// SubSecTimeOriginal, else DateTimeDigitized with its own two.  Camera:
// make and model, the make left out where the model already names it.
// Width and height only where the EXIF gives them and `facts` has none yet.
void AddExifFacts(const Exiv2::ExifData &exif, TMediaFacts &facts);

// What Exiv2 needs once per process before any thread reads with it.
void InitExiv2();

// An EXIF block in the TIFF layout ("II*\0" or "MM\0*" first) decoded into
// `facts`; false when it is no such block.
bool AddExifBlock(const unsigned char *data, std::size_t size, TMediaFacts &facts);
