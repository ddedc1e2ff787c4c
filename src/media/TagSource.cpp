// Music through TagLib.  Each format's reader is chosen by the extension
// and reads its tags without the audio properties, which would mean
// reading frames.  ID3 texts that say Latin-1 go through ShiftJisInLatin1,
// hooked into TagLib where it turns such bytes into text.

#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tfilestream.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <string>

#include "media/MediaKinds.h"
#include "media/MetadataSource.h"
#include "media/ShiftJisLatin1.h"

namespace {

enum class TKind { Mpeg, Flac, Vorbis, Opus, Mp4 };

struct TFormat {
  std::string_view Extension;
  TKind Kind;
};
constexpr std::array<TFormat, 7> kFormats = {{{".mp3", TKind::Mpeg},
                                              {".flac", TKind::Flac},
                                              {".ogg", TKind::Vorbis},
                                              {".oga", TKind::Vorbis},
                                              {".opus", TKind::Opus},
                                              {".m4a", TKind::Mp4},
                                              {".m4b", TKind::Mp4}}};

TagLib::String Latin1OrShiftJis(const TagLib::ByteVector &data) {
  std::string_view bytes(data.data(), data.size());
  // A fixed-width ID3v1 field ends at its first NUL.
  bytes = bytes.substr(0, bytes.find('\0'));
  if (const std::optional<std::string> utf8 = ShiftJisInLatin1(bytes))
    return TagLib::String(*utf8, TagLib::String::UTF8);
  return TagLib::String(TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size())),
                        TagLib::String::Latin1);
}

class TId3v2Latin1 final : public TagLib::ID3v2::Latin1StringHandler {
public:
  TagLib::String parse(const TagLib::ByteVector &data) const override { return Latin1OrShiftJis(data); }
};

class TId3v1Latin1 final : public TagLib::ID3v1::StringHandler {
public:
  TagLib::String parse(const TagLib::ByteVector &data) const override {
    return Latin1OrShiftJis(data).stripWhiteSpace();
  }
};

std::string Utf8(const TagLib::String &text) { return text.stripWhiteSpace().to8Bit(true); }

// "3/12" -> 3.
int LeadingNumber(const TagLib::String &text) {
  const std::string digits = text.to8Bit(true);
  int value = 0;
  std::size_t i = 0;
  while (i < digits.size() && digits[i] == ' ') ++i;
  const std::size_t first = i;
  for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9' && value < 100000; ++i)
    value = value * 10 + (digits[i] - '0');
  return i > first ? value : 0;
}

std::unique_ptr<TagLib::File> OpenAs(TKind kind, TagLib::IOStream *stream) {
  switch (kind) {
  case TKind::Mpeg:
    return std::make_unique<TagLib::MPEG::File>(stream, TagLib::ID3v2::FrameFactory::instance(), false);
  case TKind::Flac:
    return std::make_unique<TagLib::FLAC::File>(stream, TagLib::ID3v2::FrameFactory::instance(), false);
  case TKind::Vorbis: return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, false);
  case TKind::Opus: return std::make_unique<TagLib::Ogg::Opus::File>(stream, false);
  case TKind::Mp4: return std::make_unique<TagLib::MP4::File>(stream, false);
  }
  return nullptr;
}

class TTagSource final : public TMetadataSource {
public:
  bool Reads(std::string_view extension, TMediaNeed need) const override {
    return KindReads(kMediaKinds[3], extension, need);
  }

  bool Read(const TMediaInput &input, TMediaFacts &facts) const override {
    const TFormat *format = nullptr;
    for (const TFormat &known : kFormats)
      if (known.Extension == input.Extension) format = &known;
    if (format == nullptr) return false;
    // The stream closes what it is given: a descriptor of its own.
    const int fd = ::dup(input.Fd);
    if (fd < 0) return false;
    TagLib::FileStream stream(fd, true);
    std::unique_ptr<TagLib::File> file = OpenAs(format->Kind, &stream);
    // An .ogg file may hold Opus rather than Vorbis.
    if (format->Kind == TKind::Vorbis && !file->isValid()) {
      stream.seek(0);
      file = OpenAs(TKind::Opus, &stream);
    }
    if (!file->isValid() || file->tag() == nullptr) return false;
    const TagLib::Tag &tag = *file->tag();
    facts.Title = Utf8(tag.title());
    facts.Artist = Utf8(tag.artist());
    facts.Album = Utf8(tag.album());
    facts.Genre = Utf8(tag.genre());
    facts.Year = static_cast<int>(tag.year());
    facts.Track = static_cast<int>(tag.track());
    const TagLib::PropertyMap properties = file->properties();
    const auto albumArtist = properties.find("ALBUMARTIST");
    if (albumArtist != properties.end() && !albumArtist->second.isEmpty())
      facts.AlbumArtist = Utf8(albumArtist->second.front());
    const auto disc = properties.find("DISCNUMBER");
    if (disc != properties.end() && !disc->second.isEmpty()) facts.Disc = LeadingNumber(disc->second.front());
    return true;
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const TMetadataSource *KorvaneMediaSource() {
  static const TId3v2Latin1 id3v2;
  static const TId3v1Latin1 id3v1;
  TagLib::ID3v2::Tag::setLatin1StringHandler(&id3v2);
  TagLib::ID3v1::Tag::setStringHandler(&id3v1);
  static const TTagSource source;
  return &source;
}
