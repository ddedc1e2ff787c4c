// The door of the module that holds the library-backed sources.  The
// module is loaded only by a run that reads media, so a run that does not
// never loads Exiv2, libheif, libavformat or TagLib (and all they bring).

#include <memory>
#include <vector>

#include "media/LibrarySources.h"

extern "C" __attribute__((visibility("default"))) void KorvaneMediaSources(
    std::vector<std::unique_ptr<TMetadataSource>> &sources) {
  InitMediaLibraries();
  sources.push_back(MakeHeifSource());
  sources.push_back(MakeExiv2Source());
  sources.push_back(MakeVideoSource());
  sources.push_back(MakeTagSource());
}
