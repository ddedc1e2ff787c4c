#include "media/MediaReader.h"

#include <sys/stat.h>

#include "media/LibrarySources.h"
#include "platform/Inspect.h"
#include "platform/Sys.h"

std::string MediaExtension(std::string_view name) {
  // '.' is never the second byte of a CP932 character.
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string extension(name.substr(dot));
  for (char &c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

TMediaReader::TMediaReader(std::vector<std::unique_ptr<TMetadataSource>> sources)
    : Sources_(std::move(sources)) {}

const TMetadataSource *TMediaReader::SourceFor(std::string_view name, TMediaNeed need) const {
  if (need == TMediaNeed::None) return nullptr;
  const std::string extension = MediaExtension(name);
  for (const auto &source : Sources_)
    if (source->Reads(extension, need)) return source.get();
  return nullptr;
}

bool TMediaReader::Reads(std::string_view name, TMediaNeed need) const {
  return SourceFor(name, need) != nullptr;
}

std::shared_ptr<const TMediaFacts> TMediaReader::Read(const TEntryRef &entry, std::string_view name,
                                                      TMediaNeed need) const {
  const TMetadataSource *source = SourceFor(name, need);
  if (source == nullptr) return nullptr;
  const korvane::sys::TFd file(OpenForReading(entry));
  if (!file.Valid()) return nullptr;
  struct stat st {};
  if (::fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  const std::string extension = MediaExtension(name);
  auto facts = std::make_shared<TMediaFacts>();
  if (!source->Read(TMediaInput{file.Get(), extension}, *facts)) return nullptr;
  return facts;
}

const TMediaReader &TMediaReader::Default() {
  static const TMediaReader reader = [] {
    InitMediaLibraries();
    std::vector<std::unique_ptr<TMetadataSource>> sources;
    sources.push_back(MakeHeifSource());
    sources.push_back(MakeExiv2Source());
    sources.push_back(MakeVideoSource());
    sources.push_back(MakeTagSource());
    return TMediaReader(std::move(sources));
  }();
  return reader;
}
