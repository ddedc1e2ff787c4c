#include "cli/BatchProgress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <time.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

namespace {

constexpr TMilliseconds kRedrawInterval = 100;
constexpr int kDefaultColumns = 80;

int TerminalColumns(int fd) {
  winsize size{};
  if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return kDefaultColumns;
}

// Display width of one UTF-8 character starting at `lead`.  Everything past
// U+1100 counts as wide except the half-width katakana block, which is as
// near as a terminal without a width table gets for Japanese text.
int CharWidth(std::string_view text, std::size_t at, std::size_t &length) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (at + length > text.size()) length = text.size() - at;
  if (lead < 0x80) return 1;
  if (length < 3) return 1;
  unsigned code = lead & 0x0F;
  for (std::size_t i = 1; i < length; ++i) code = code << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3F);
  if (length == 3 && code >= 0xFF61 && code <= 0xFF9F) return 1;
  return code >= 0x1100 ? 2 : 1;
}

int TextWidth(std::string_view text) {
  int width = 0;
  for (std::size_t at = 0, length = 0; at < text.size(); at += length)
    width += CharWidth(text, at, length);
  return width;
}

// The end of `text` that fits `columns`, whole characters only.
std::string TailThatFits(std::string_view text, int columns) {
  std::size_t start = 0;
  int width = TextWidth(text);
  for (std::size_t length = 0; width > columns && start < text.size(); start += length)
    width -= CharWidth(text, start, length);
  return std::string(text.substr(start));
}

}  // namespace

TMilliseconds MonotonicMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<TMilliseconds>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

TBatchProgress::TBatchProgress(int fd) : TBatchProgress(fd, ::isatty(fd) == 1, TerminalColumns(fd)) {}

TBatchProgress::TBatchProgress(int fd, bool terminal, int columns)
    : Fd_(fd), Enabled_(terminal), Columns_(columns), Start_(MonotonicMilliseconds()) {}

std::string TBatchProgress::Format(std::size_t done, std::int64_t elapsedSeconds,
                                   const std::string &folder, int columns) {
  // This source is compiled with Shift-JIS literals; the terminal is UTF-8.
  static const std::string kCount = reinterpret_cast<const char *>(u8" 件  ");
  char clock[32];
  const long long seconds = elapsedSeconds;
  std::snprintf(clock, sizeof clock, "%lld:%02lld  ", seconds / 60, seconds % 60);
  std::string line = std::to_string(done) + kCount + clock;
  // One column stays free: a line that fills the last column makes some
  // terminals wrap, and the carriage return would then redraw the wrong row.
  const int room = columns - 1 - TextWidth(line);
  if (room > 3 && TextWidth(folder) > room) {
    line += "...";
    line += TailThatFits(folder, room - 3);
  } else if (room > 3) {
    line += folder;
  }
  return line;
}

bool TBatchProgress::Due(TMilliseconds now) const {
  return Enabled_ && (!Drawn_ || now - LastDraw_ >= kRedrawInterval);
}

void TBatchProgress::Update(std::size_t done, const std::string &folder, TMilliseconds now) {
  if (!Due(now)) return;
  LastDraw_ = now;
  Drawn_ = true;
  Write("\r\x1b[K" + Format(done, (now - Start_) / 1000, folder, Columns_));
  Shown_ = true;
}

void TBatchProgress::Clear() {
  if (!Shown_) return;
  Write("\r\x1b[K");
  Shown_ = false;
}

void TBatchProgress::Write(const std::string &text) {
  // The line is decoration: a terminal that refuses it loses nothing.
  std::string_view rest = text;
  while (!rest.empty()) {
    const ssize_t put = ::write(Fd_, rest.data(), rest.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return;
    rest.remove_prefix(static_cast<std::size_t>(put));
  }
}
