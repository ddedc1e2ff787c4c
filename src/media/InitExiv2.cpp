// What Exiv2 needs once per process, before it reads a file on any thread.

#include <exiv2/exiv2.hpp>

#include <mutex>

#include "media/ExifFacts.h"

namespace {

// Exiv2 hands XMP packets to the XMP toolkit, which is not thread-safe on
// its own: it takes a lock function at its initialisation.
std::mutex xmpMutex;

void LockXmp(void *, bool lock) {
  if (lock) xmpMutex.lock();
  else xmpMutex.unlock();
}

}  // namespace

void InitExiv2() {
  static std::once_flag once;
  std::call_once(once, [] {
    // A damaged file is a file without facts: nothing is said on the terminal.
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::XmpParser::initialize(LockXmp, nullptr);
    // CR3 is an ISO media file; Exiv2 reads it only when told to.
    Exiv2::enableBMFF(true);
  });
}
