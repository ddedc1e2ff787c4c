#pragma once
// The sources backed by libraries, one per library.  Each knows the
// extensions of its formats.

#include <memory>
#include <vector>

#include "media/MetadataSource.h"

// Exiv2: JPEG, TIFF and the raw formats built on it (DNG, CR2, NEF, ARW,
// ORF, RW2, PEF), CR3, PNG (eXIf) and WebP.
std::unique_ptr<TMetadataSource> MakeExiv2Source();
// libheif: HEIC/HEIF and AVIF, whose EXIF block Exiv2 decodes.
std::unique_ptr<TMetadataSource> MakeHeifSource();
// libavformat: the creation time, camera and size of MP4, MOV and 3GP.
std::unique_ptr<TMetadataSource> MakeVideoSource();
// TagLib: the tags of MP3 (ID3v1 and v2), FLAC, Ogg Vorbis, Opus and M4A.
std::unique_ptr<TMetadataSource> MakeTagSource();

// What the libraries need once per process before any of them reads a file
// on any thread.  Idempotent.
void InitMediaLibraries();

// The module's entry (ModuleEntry.cpp): all of the above, initialised.
extern "C" void KorvaneMediaSources(std::vector<std::unique_ptr<TMetadataSource>> &sources);
