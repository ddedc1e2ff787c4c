// Videos through libavformat.  Its QuickTime demuxer (MP4, MOV, 3GP) reads
// the movie header box and the track descriptions when the file is opened;
// the media data is never read, and a movie box stored after the data is
// reached by a seek.  The creation time is the movie header's, kept in UTC.
// (Exiv2's reader of these files misreads 64-bit movie headers and misses a
// movie box stored after the data.)

extern "C" {
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>

#include "media/MediaKinds.h"
#include "media/MetadataSource.h"
#include "media/ShotTime.h"

namespace {

constexpr int kBufferSize = 64 * 1024;

struct TStream {
  int Fd = -1;
  std::int64_t Position = 0;
  std::int64_t Size = 0;
};

int ReadPacket(void *opaque, std::uint8_t *buffer, int size) {
  auto *stream = static_cast<TStream *>(opaque);
  const ssize_t got = ::pread(stream->Fd, buffer, static_cast<std::size_t>(size), stream->Position);
  if (got < 0) return AVERROR(errno);
  if (got == 0) return AVERROR_EOF;
  stream->Position += got;
  return static_cast<int>(got);
}

std::int64_t SeekStream(void *opaque, std::int64_t offset, int whence) {
  auto *stream = static_cast<TStream *>(opaque);
  std::int64_t to = 0;
  switch (whence & ~AVSEEK_FORCE) {
  case AVSEEK_SIZE: return stream->Size;
  case SEEK_SET: to = offset; break;
  case SEEK_CUR: to = stream->Position + offset; break;
  case SEEK_END: to = stream->Size + offset; break;
  default: return AVERROR(EINVAL);
  }
  if (to < 0) return AVERROR(EINVAL);
  stream->Position = to;
  return to;
}

// Owns the demuxer and its I/O context.
class TDemuxer {
public:
  explicit TDemuxer(TStream &stream) {
    auto *buffer = static_cast<unsigned char *>(av_malloc(kBufferSize));
    if (buffer == nullptr) return;
    Io_ = avio_alloc_context(buffer, kBufferSize, 0, &stream, ReadPacket, nullptr, SeekStream);
    if (Io_ == nullptr) {
      av_free(buffer);
      return;
    }
    Format_ = avformat_alloc_context();
    if (Format_ == nullptr) return;
    Format_->pb = Io_;
    Format_->flags |= AVFMT_FLAG_CUSTOM_IO;
    // The demuxer is named: no probing reads of the file's start.
    if (avformat_open_input(&Format_, "", av_find_input_format("mov"), nullptr) < 0) Format_ = nullptr;
  }
  ~TDemuxer() {
    if (Format_ != nullptr) avformat_close_input(&Format_);
    if (Io_ != nullptr) {
      av_freep(&Io_->buffer);
      avio_context_free(&Io_);
    }
  }
  TDemuxer(const TDemuxer &) = delete;
  TDemuxer &operator=(const TDemuxer &) = delete;

  const AVFormatContext *Format() const { return Format_; }

private:
  AVIOContext *Io_ = nullptr;
  AVFormatContext *Format_ = nullptr;
};

std::string Metadata(const AVDictionary *metadata, const char *key) {
  const AVDictionaryEntry *entry = av_dict_get(metadata, key, nullptr, 0);
  return entry != nullptr && entry->value != nullptr ? std::string(entry->value) : std::string();
}

class TVideoSource final : public TMetadataSource {
public:
  bool Reads(std::string_view extension, TMediaNeed need) const override {
    return KindReads(kMediaKinds[2], extension, need);
  }

  bool Read(const TMediaInput &input, TMediaFacts &facts) const override {
    TStream stream{input.Fd, 0, static_cast<std::int64_t>(input.Size)};
    const TDemuxer demuxer(stream);
    const AVFormatContext *format = demuxer.Format();
    if (format == nullptr) return false;
    if (const std::optional<std::int64_t> utc = ParseIsoUtc(Metadata(format->metadata, "creation_time")))
      facts.Taken = ShotTimeFromUtc(*utc);
    std::string make = Metadata(format->metadata, "com.apple.quicktime.make");
    std::string model = Metadata(format->metadata, "com.apple.quicktime.model");
    if (make.empty()) make = Metadata(format->metadata, "make");
    if (model.empty()) model = Metadata(format->metadata, "model");
    facts.Camera = make.empty() ? model : model.empty() ? make : make + " " + model;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
      const AVCodecParameters *codec = format->streams[i]->codecpar;
      if (codec->codec_type == AVMEDIA_TYPE_VIDEO && codec->width > 0) {
        facts.Width = codec->width;
        facts.Height = codec->height;
        break;
      }
    }
    return true;
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const TMetadataSource *KorvaneMediaSource() {
  // A damaged file is a file without facts: nothing is said on the terminal.
  av_log_set_level(AV_LOG_QUIET);
  static const TVideoSource source;
  return &source;
}
