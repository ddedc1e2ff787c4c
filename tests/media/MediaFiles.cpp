#include "MediaFiles.h"

#include <exiv2/exiv2.hpp>
#include <libheif/heif.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>
#include <zlib.h>

#include <ctime>
#include <fstream>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

std::string Be32(std::uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}
std::string Be16(std::uint16_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v)}; }
std::string Le32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}
std::string Le16(std::uint16_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }

std::string Box(const std::string &type, const std::string &payload) {
  return Be32(static_cast<std::uint32_t>(8 + payload.size())) + type + payload;
}

std::string ReadAll(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void SetExif(Exiv2::Image &image, const TExif &exif) {
  image.readMetadata();
  Exiv2::ExifData data = image.exifData();
  for (const auto &[key, value] : exif) data[key] = value;
  image.setExifData(data);
  image.writeMetadata();
}

void AddExifTo(const std::string &path, const TExif &exif) {
  auto image = Exiv2::ImageFactory::open(path);
  SetExif(*image, exif);
}

void Check(heif_error error) {
  if (error.code != heif_error_Ok) throw std::runtime_error(error.message);
}

}  // namespace

void WriteBytes(const std::string &path, const std::string &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ExifBlock(const TExif &exif) {
  Exiv2::ExifData data;
  for (const auto &[key, value] : exif) data[key] = value;
  Exiv2::Blob blob;
  Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, data);
  return {blob.begin(), blob.end()};
}

void MakeJpeg(const std::string &path, const TExif &exif, std::size_t trailingBytes) {
  {
    auto image = Exiv2::ImageFactory::create(Exiv2::ImageType::jpeg, path);
    if (!exif.empty()) SetExif(*image, exif);
  }
  if (trailingBytes > 0) {
    // Data after the picture, as a camera's maker data or a big scan would
    // make the file long: a header reader never gets there.
    std::ofstream out(path, std::ios::binary | std::ios::app);
    const std::string block(65536, '\x55');
    for (std::size_t done = 0; done < trailingBytes; done += block.size())
      out.write(block.data(), static_cast<std::streamsize>(std::min(block.size(), trailingBytes - done)));
  }
}

void MakeTiff(const std::string &path, const TExif &exif) {
  // A 1 x 1 grey picture: header, one directory of eight entries, one byte.
  std::string t = "II*" + std::string(1, '\0') + Le32(8);
  const std::uint32_t pixelAt = 8 + 2 + 8 * 12 + 4;
  auto entry = [](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
    return Le16(tag) + Le16(type) + Le32(1) + Le32(value);
  };
  t += Le16(8);
  t += entry(256, 4, 1) + entry(257, 4, 1) + entry(258, 3, 8) + entry(259, 3, 1) + entry(262, 3, 1) +
       entry(273, 4, pixelAt) + entry(278, 4, 1) + entry(279, 4, 1);
  t += Le32(0);
  t += '\x80';
  WriteBytes(path, t);
  AddExifTo(path, exif);
}

void MakePngWithExifChunk(const std::string &path, const TExif &exif) {
  {
    auto image = Exiv2::ImageFactory::create(Exiv2::ImageType::png, path);
  }
  // The eXIf chunk goes right after IHDR (8 bytes of signature, then the
  // 25 bytes of the header chunk).
  std::string png = ReadAll(path);
  const std::string data = ExifBlock(exif);
  std::string chunk = "eXIf" + data;
  const auto crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef *>(chunk.data()), static_cast<uInt>(chunk.size())));
  png.insert(33, Be32(static_cast<std::uint32_t>(data.size())) + chunk + Be32(crc));
  WriteBytes(path, png);
}

void MakeWebp(const std::string &path, const TExif &exif) {
  // A 1 x 1 lossless picture; Exiv2 turns it into the extended form that
  // carries EXIF.
  const std::string vp8l("\x2f\x00\x00\x00\x10\x07\x10\x11\x11\x88\x88\xfe\x07\x00", 14);
  const std::string body = "WEBP" + std::string("VP8L") + Le32(13) + vp8l.substr(0, 13) + '\0';
  WriteBytes(path, "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body);
  AddExifTo(path, exif);
}

namespace {

// A little-endian TIFF block with one directory of ASCII entries.
std::string AsciiTiff(const std::vector<std::pair<std::uint16_t, std::string>> &entries) {
  const auto count = static_cast<std::uint32_t>(entries.size());
  const std::uint32_t dataAt = 8 + 2 + 12 * count + 4;
  std::string directory = Le16(static_cast<std::uint16_t>(count)), data;
  for (const auto &[tag, text] : entries) {
    const std::string value = text + '\0';
    directory += Le16(tag) + Le16(2) + Le32(static_cast<std::uint32_t>(value.size()));
    if (value.size() <= 4) {
      directory += value + std::string(4 - value.size(), '\0');
    } else {
      directory += Le32(dataAt + static_cast<std::uint32_t>(data.size()));
      data += value;
    }
  }
  return "II*" + std::string(1, '\0') + Le32(8) + directory + Le32(0) + data;
}

}  // namespace

void MakeCr3(const std::string &path, const std::string &make, const std::string &model,
             const std::string &taken) {
  const std::string canon("\x85\xc0\xb6\x87\x82\x0f\x11\xe0\x81\x11\xf4\xce\x46\x2b\x6a\x48", 16);
  const std::string cmt1 = AsciiTiff({{0x010F, make}, {0x0110, model}});
  const std::string cmt2 = AsciiTiff({{0x9003, taken}});
  const std::string movie = Box("moov", Box("uuid", canon + Box("CMT1", cmt1) + Box("CMT2", cmt2)));
  WriteBytes(path, Box("ftyp", "crx " + Be32(1) + "crx isom") + movie + Box("mdat", std::string(64, '\0')));
}

void MakeHeif(const std::string &path, const TExif &exif, bool avif) {
  heif_context *context = heif_context_alloc();
  heif_image *image = nullptr;
  Check(heif_image_create(64, 48, heif_colorspace_YCbCr, heif_chroma_420, &image));
  const heif_channel channels[] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
  for (const heif_channel channel : channels) {
    const int w = channel == heif_channel_Y ? 64 : 32;
    const int h = channel == heif_channel_Y ? 48 : 24;
    Check(heif_image_add_plane(image, channel, w, h, 8));
    int stride = 0;
    std::uint8_t *plane = heif_image_get_plane(image, channel, &stride);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) plane[y * stride + x] = static_cast<std::uint8_t>(128 + x);
  }
  heif_encoder *encoder = nullptr;
  Check(heif_context_get_encoder_for_format(context, avif ? heif_compression_AV1 : heif_compression_HEVC,
                                            &encoder));
  heif_encoder_set_lossy_quality(encoder, 50);
  heif_image_handle *handle = nullptr;
  Check(heif_context_encode_image(context, image, encoder, nullptr, &handle));
  if (!exif.empty()) {
    const std::string block = ExifBlock(exif);
    Check(heif_context_add_exif_metadata(context, handle, block.data(), static_cast<int>(block.size())));
  }
  Check(heif_context_write_to_file(context, path.c_str()));
  heif_image_handle_release(handle);
  heif_encoder_release(encoder);
  heif_image_release(image);
  heif_context_free(context);
}

std::uint64_t MovieTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return static_cast<std::uint64_t>(timegm(&tm)) + 2082844800u;
}

void MakeMovie(const std::string &path, const std::string &brand, std::uint64_t creation,
               bool longHeader, std::size_t mediaBytes, bool movieLast) {
  std::string mvhd = longHeader ? std::string("\x01\0\0\0", 4) : std::string(4, '\0');
  if (longHeader) {
    mvhd += Be32(static_cast<std::uint32_t>(creation >> 32)) + Be32(static_cast<std::uint32_t>(creation));
    mvhd += Be32(static_cast<std::uint32_t>(creation >> 32)) + Be32(static_cast<std::uint32_t>(creation));
    mvhd += Be32(1000) + Be32(0) + Be32(5000);
  } else {
    mvhd += Be32(static_cast<std::uint32_t>(creation)) + Be32(static_cast<std::uint32_t>(creation));
    mvhd += Be32(1000) + Be32(5000);
  }
  mvhd += Be32(0x00010000) + Be16(0x0100) + std::string(10, '\0');
  for (const std::uint32_t m : {0x00010000u, 0u, 0u, 0u, 0x00010000u, 0u, 0u, 0u, 0x40000000u}) mvhd += Be32(m);
  mvhd += std::string(24, '\0') + Be32(2);
  const std::string ftyp = Box("ftyp", brand + Be32(0) + brand + "isom");
  const std::string moov = Box("moov", Box("mvhd", mvhd));
  const std::string mdat = Box("mdat", std::string(mediaBytes, '\0'));
  WriteBytes(path, movieLast ? ftyp + mdat + moov : ftyp + moov + mdat);
}

namespace {

// Silent MPEG-1 layer III frames (128 kbit/s, 44.1 kHz), enough for a
// reader to find the stream.
std::string MpegFrames() {
  std::string frames;
  for (int i = 0; i < 8; ++i) frames += std::string("\xFF\xFB\x90\x64", 4) + std::string(413, '\0');
  return frames;
}

TagLib::String Utf8(const std::string &text) { return TagLib::String(text, TagLib::String::UTF8); }

void SetCommon(TagLib::Tag &tag, const TTags &tags) {
  if (!tags.Title.empty()) tag.setTitle(Utf8(tags.Title));
  if (!tags.Artist.empty()) tag.setArtist(Utf8(tags.Artist));
  if (!tags.Album.empty()) tag.setAlbum(Utf8(tags.Album));
  if (!tags.Genre.empty()) tag.setGenre(Utf8(tags.Genre));
  if (tags.Year != 0) tag.setYear(static_cast<unsigned>(tags.Year));
  if (tags.Track != 0) tag.setTrack(static_cast<unsigned>(tags.Track));
}

std::string TrackText(const TTags &tags) {
  return std::to_string(tags.Track) + (tags.TrackCount ? "/" + std::to_string(tags.TrackCount) : "");
}

}  // namespace

void MakeMp3(const std::string &path, const TTags &tags) {
  WriteBytes(path, MpegFrames());
  TagLib::MPEG::File file(path.c_str(), false);
  TagLib::ID3v2::Tag *id3 = file.ID3v2Tag(true);
  // UTF-16 frames unless a test asks for Latin-1 bytes.
  TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(TagLib::String::UTF16);
  SetCommon(*id3, tags);
  if (tags.Track != 0) id3->removeFrames("TRCK");
  auto text = [&](const char *id, const TagLib::String &value, TagLib::String::Type encoding) {
    id3->removeFrames(id);
    auto *frame = new TagLib::ID3v2::TextIdentificationFrame(id, encoding);
    frame->setText(value);
    id3->addFrame(frame);
  };
  if (tags.Track != 0) text("TRCK", Utf8(TrackText(tags)), TagLib::String::UTF16);
  if (!tags.AlbumArtist.empty()) text("TPE2", Utf8(tags.AlbumArtist), TagLib::String::UTF16);
  if (tags.Disc != 0) text("TPOS", Utf8(std::to_string(tags.Disc)), TagLib::String::UTF16);
  if (!tags.Latin1Title.empty()) {
    // The bytes as they are: each one a Latin-1 character.
    const TagLib::ByteVector raw(tags.Latin1Title.data(), static_cast<unsigned>(tags.Latin1Title.size()));
    text("TIT2", TagLib::String(raw, TagLib::String::Latin1), TagLib::String::Latin1);
  }
  if (!file.save(TagLib::MPEG::File::ID3v2, true)) throw std::runtime_error("cannot tag " + path);
}

void MakeFlac(const std::string &path, const TTags &tags) {
  // "fLaC" and a STREAMINFO block (the last one): 44.1 kHz, stereo, 16 bits.
  std::string info(34, '\0');
  info[0] = 0x10;  // minimum block size 4096
  info[2] = 0x10;
  info[10] = '\x0A';
  info[11] = '\xC4';
  info[12] = '\x42';
  info[13] = '\xF0';
  WriteBytes(path, "fLaC" + std::string("\x80\x00\x00\x22", 4) + info);
  TagLib::FLAC::File file(path.c_str(), false);
  TagLib::Tag *tag = file.tag();
  SetCommon(*tag, tags);
  TagLib::PropertyMap properties = file.properties();
  if (tags.Track != 0) properties.replace("TRACKNUMBER", TagLib::StringList(Utf8(TrackText(tags))));
  if (!tags.AlbumArtist.empty()) properties.replace("ALBUMARTIST", TagLib::StringList(Utf8(tags.AlbumArtist)));
  if (tags.Disc != 0) properties.replace("DISCNUMBER", TagLib::StringList(Utf8(std::to_string(tags.Disc))));
  file.setProperties(properties);
  if (!file.save()) throw std::runtime_error("cannot tag " + path);
}

void MakeM4a(const std::string &path, const TTags &tags) {
  std::string mvhd(100, '\0');
  mvhd[19] = '\x01';  // time scale 1000 would do; any non-zero one
  const std::string movie = Box("moov", Box("mvhd", mvhd));
  WriteBytes(path, Box("ftyp", "M4A " + Be32(0) + "M4A mp42isom") + movie + Box("mdat", std::string(16, '\0')));
  TagLib::MP4::File file(path.c_str(), false);
  if (!file.isValid()) throw std::runtime_error("not an MP4 file: " + path);
  TagLib::Tag *tag = file.tag();
  SetCommon(*tag, tags);
  TagLib::PropertyMap properties = file.properties();
  if (tags.Track != 0) properties.replace("TRACKNUMBER", TagLib::StringList(Utf8(TrackText(tags))));
  if (!tags.AlbumArtist.empty()) properties.replace("ALBUMARTIST", TagLib::StringList(Utf8(tags.AlbumArtist)));
  if (tags.Disc != 0) properties.replace("DISCNUMBER", TagLib::StringList(Utf8(std::to_string(tags.Disc))));
  file.setProperties(properties);
  if (!file.save()) throw std::runtime_error("cannot tag " + path);
}
