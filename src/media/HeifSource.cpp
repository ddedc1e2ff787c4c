// HEIF and AVIF through libheif.  libheif reads the container's boxes and,
// when asked, the bytes of one item: the picture's data is never read, only
// the EXIF item, which is handed to Exiv2's decoder.  (Exiv2's own reader
// of these containers misses an EXIF item placed with a base offset, as
// libheif itself writes them.)

#include <libheif/heif.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <vector>

#include "media/ExifFacts.h"
#include "media/MediaKinds.h"
#include "media/MetadataSource.h"

namespace {

// The file as libheif's reader sees it: reads at a position of our own.
struct TReaderState {
  int Fd = -1;
  std::int64_t Position = 0;
  std::int64_t Size = 0;
};

std::int64_t GetPosition(void *user) { return static_cast<TReaderState *>(user)->Position; }

int ReadBytes(void *data, std::size_t size, void *user) {
  auto *state = static_cast<TReaderState *>(user);
  auto *to = static_cast<char *>(data);
  while (size > 0) {
    const ssize_t got = ::pread(state->Fd, to, size, state->Position);
    if (got <= 0) return 1;
    to += got;
    size -= static_cast<std::size_t>(got);
    state->Position += got;
  }
  return 0;
}

int Seek(std::int64_t position, void *user) {
  auto *state = static_cast<TReaderState *>(user);
  if (position < 0 || position > state->Size) return 1;
  state->Position = position;
  return 0;
}

heif_reader_grow_status WaitForFileSize(std::int64_t target, void *user) {
  return target > static_cast<TReaderState *>(user)->Size ? heif_reader_grow_status_size_beyond_eof
                                                           : heif_reader_grow_status_size_reached;
}

constexpr heif_reader kReader = {1, GetPosition, ReadBytes, Seek, WaitForFileSize};

// Owners of libheif's objects.
struct TContext {
  heif_context *Ptr = heif_context_alloc();
  ~TContext() {
    if (Ptr != nullptr) heif_context_free(Ptr);
  }
};
struct THandle {
  heif_image_handle *Ptr = nullptr;
  ~THandle() {
    if (Ptr != nullptr) heif_image_handle_release(Ptr);
  }
};

// EXIF of the primary image: a 4-byte offset to its TIFF header first.
void AddExif(const heif_image_handle *handle, TMediaFacts &facts) {
  const int count = heif_image_handle_get_number_of_metadata_blocks(handle, "Exif");
  if (count <= 0) return;
  std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
  heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", ids.data(), count);
  for (const heif_item_id id : ids) {
    const std::size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size < 4 || size > (64u << 20)) continue;
    std::vector<unsigned char> block(size);
    if (heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok) continue;
    const std::uint32_t offset = (std::uint32_t{block[0]} << 24) | (std::uint32_t{block[1]} << 16) |
                                 (std::uint32_t{block[2]} << 8) | block[3];
    if (offset > size - 4) continue;
    if (AddExifBlock(block.data() + 4 + offset, size - 4 - offset, facts)) return;
  }
}

class THeifSource final : public TMetadataSource {
public:
  bool Reads(std::string_view extension, TMediaNeed need) const override {
    return KindReads(kMediaKinds[0], extension, need);
  }

  bool Read(const TMediaInput &input, TMediaFacts &facts) const override {
    TReaderState state{input.Fd, 0, static_cast<std::int64_t>(input.Size)};
    TContext context;
    if (context.Ptr == nullptr) return false;
    if (heif_context_read_from_reader(context.Ptr, &kReader, &state, nullptr).code != heif_error_Ok)
      return false;
    THandle primary;
    if (heif_context_get_primary_image_handle(context.Ptr, &primary.Ptr).code != heif_error_Ok)
      return false;
    facts.Width = heif_image_handle_get_width(primary.Ptr);
    facts.Height = heif_image_handle_get_height(primary.Ptr);
    AddExif(primary.Ptr, facts);
    return true;
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const TMetadataSource *KorvaneMediaSource() {
  InitExiv2();
  static const THeifSource source;
  return &source;
}
