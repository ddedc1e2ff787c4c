// Photos through Exiv2.  Exiv2 reads a file through an I/O object of its
// own kind; TDescriptorIo serves it from the descriptor the run opened
// relative to its folder, one block of 64 KB at a time, which for a JPEG is
// one read for all its markers (Exiv2's file object opens the file again
// and reads it marker by marker).  Exiv2 maps a TIFF-based file into
// memory and reads its directories where they lie, so a raw file costs the
// pages of its directories, not its size.

#include <exiv2/exiv2.hpp>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "media/ExifFacts.h"
#include "media/MediaKinds.h"
#include "media/MetadataSource.h"

namespace {

// A file open for reading, as Exiv2's I/O object.  Writing is refused.
class TDescriptorIo final : public Exiv2::BasicIo {
public:
  TDescriptorIo(int fd, long size) : Fd_(fd), Size_(size) {}
  ~TDescriptorIo() override { munmap(); }

  int open() override {
    Position_ = 0;
    Eof_ = false;
    return 0;
  }
  int close() override { return munmap(); }
  long write(const Exiv2::byte *, long) override { return 0; }
  long write(Exiv2::BasicIo &) override { return 0; }
  int putb(Exiv2::byte) override { return EOF; }
  void transfer(Exiv2::BasicIo &) override { throw Exiv2::Error(Exiv2::kerFunctionNotSupported, "transfer"); }

  Exiv2::DataBuf read(long count) override {
    Exiv2::DataBuf buffer(std::max(count, 0L));
    buffer.size_ = read(buffer.pData_, count);
    return buffer;
  }

  long read(Exiv2::byte *to, long count) override {
    long done = 0;
    while (done < count && Position_ < Size_) {
      if (!InBlock(Position_) && !LoadBlock(Position_)) break;
      const long offset = Position_ - BlockAt_;
      const long take = std::min(count - done, static_cast<long>(Block_.size()) - offset);
      std::memcpy(to + done, Block_.data() + offset, static_cast<std::size_t>(take));
      done += take;
      Position_ += take;
    }
    if (done < count) Eof_ = true;
    return done;
  }

  int getb() override {
    Exiv2::byte byte = 0;
    return read(&byte, 1) == 1 ? byte : EOF;
  }

  int seek(long offset, Position from) override {
    const long base = from == beg ? 0 : from == cur ? Position_ : Size_;
    const long to = base + offset;
    if (to < 0) return 1;
    Position_ = to;
    Eof_ = to >= Size_;
    return 0;
  }

  Exiv2::byte *mmap(bool writeable) override {
    if (writeable) throw Exiv2::Error(Exiv2::kerFunctionNotSupported, "mmap for writing");
    if (Map_ == nullptr && Size_ > 0) {
      void *map = ::mmap(nullptr, static_cast<std::size_t>(Size_), PROT_READ, MAP_PRIVATE, Fd_, 0);
      if (map == MAP_FAILED) throw Exiv2::Error(Exiv2::kerCallFailed, "mmap", std::strerror(errno));
      Map_ = static_cast<Exiv2::byte *>(map);
    }
    return Map_;
  }
  int munmap() override {
    if (Map_ != nullptr) ::munmap(Map_, static_cast<std::size_t>(Size_));
    Map_ = nullptr;
    return 0;
  }

  long tell() const override { return Position_; }
  std::size_t size() const override { return static_cast<std::size_t>(Size_); }
  bool isopen() const override { return true; }
  int error() const override { return 0; }
  bool eof() const override { return Eof_; }
  std::string path() const override { return "/proc/self/fd/" + std::to_string(Fd_); }

private:
  static constexpr long kBlock = 64 * 1024;

  bool InBlock(long at) const { return at >= BlockAt_ && at < BlockAt_ + static_cast<long>(Block_.size()); }

  bool LoadBlock(long at) {
    Block_.resize(static_cast<std::size_t>(std::min(kBlock, Size_ - at)));
    const ssize_t got = ::pread(Fd_, Block_.data(), Block_.size(), at);
    if (got <= 0) {
      Block_.clear();
      return false;
    }
    Block_.resize(static_cast<std::size_t>(got));
    BlockAt_ = at;
    return true;
  }

  int Fd_;
  long Size_;
  long Position_ = 0;
  bool Eof_ = false;
  std::vector<Exiv2::byte> Block_;
  long BlockAt_ = 0;
  Exiv2::byte *Map_ = nullptr;
};

class TExiv2Source final : public TMetadataSource {
public:
  bool Reads(std::string_view extension, TMediaNeed need) const override {
    return KindReads(kMediaKinds[1], extension, need);
  }

  bool Read(const TMediaInput &input, TMediaFacts &facts) const override {
    try {
      Exiv2::BasicIo::AutoPtr io(new TDescriptorIo(input.Fd, static_cast<long>(input.Size)));
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

extern "C" __attribute__((visibility("default"))) const TMetadataSource *KorvaneMediaSource() {
  InitExiv2();
  static const TExiv2Source source;
  return &source;
}
