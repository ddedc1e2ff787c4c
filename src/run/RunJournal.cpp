#include "run/RunJournal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "platform/Cp932.h"
#include "platform/DateTime.h"
#include "platform/Inspect.h"

const std::string_view kMsgNoJournal = "元に戻すための記録 (ジャーナル) を作れません: ";
const std::string_view kMsgJournalFailed =
    "元に戻すための記録 (ジャーナル) に書き込めないため、実行を中止しました";

namespace {

constexpr std::string_view kMagic = "korvane-journal\t1";
constexpr std::string_view kSuffix = ".journal";
// Journals beyond this many, the oldest first, are removed when a run starts.
constexpr std::size_t kKeptJournals = 300;
// ... but only once this many more have gathered.  Finding the oldest means
// reading the status of every journal, a millisecond that would otherwise
// come before every run's first act once the folder is full; counting their
// names costs a few reads of the folder.
constexpr std::size_t kPruneSlack = 50;
constexpr std::time_t kProtectedSeconds = 60 * 60;

const char *KindName(TActKind kind) {
  switch (kind) {
  case TActKind::Rename: return "rename";
  case TActKind::Copy: return "copy";
  case TActKind::Move: return "move";
  case TActKind::Trash: return "trash";
  case TActKind::Change: return "change";
  case TActKind::MakeFolder: return "mkdir";
  case TActKind::Restore: return "restore";
  }
  return "?";
}

std::optional<TActKind> KindOf(std::string_view name) {
  for (TActKind kind : {TActKind::Rename, TActKind::Copy, TActKind::Move, TActKind::Trash, TActKind::Change,
                        TActKind::MakeFolder, TActKind::Restore})
    if (name == KindName(kind)) return kind;
  return std::nullopt;
}

// A path as the journal writes it, appended to `out`: its system bytes, with
// what would break the line ('%', blanks, control characters) as %XX.  Empty
// is "-".  A path of ASCII alone is its own system bytes.
void AppendEscaped(std::string &out, const std::string &cp932) {
  if (cp932.empty()) {
    out += '-';
    return;
  }
  // A run writes two paths a target: the room of the last conversion is
  // reused, and the bytes that need no escape go in by runs.
  thread_local std::string converted;
  std::string_view bytes = cp932;
  if (!IsAscii(cp932)) {
    converted.clear();
    if (AppendCp932AsUtf8(converted, cp932)) bytes = converted;
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::size_t plain = 0;  // where the run of bytes not yet written starts
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (byte <= ' ' || byte == '%' || byte == 0x7F || (at == 0 && byte == '-')) {
      out.append(bytes.substr(plain, at - plain));
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
      plain = at + 1;
    }
  }
  out.append(bytes.substr(plain));
}

std::string Escaped(const std::string &cp932) {
  std::string out;
  AppendEscaped(out, cp932);
  return out;
}

template <class TNumber>
void AppendNumber(std::string &out, TNumber value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out.append(digits, end);
}

std::string Unescaped(std::string_view text) {
  if (text == "-") return {};
  std::string bytes;
  bytes.reserve(text.size());
  const auto hex = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      bytes += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      bytes += text[i];
    }
  }
  return Utf8ToCp932(bytes).value_or(std::string());
}

void AppendIdentity(std::string &out, const std::optional<TIdentity> &id) {
  if (!id) {
    out += '-';
    return;
  }
  AppendNumber(out, static_cast<unsigned long long>(id->Device));
  out += ':';
  AppendNumber(out, static_cast<unsigned long long>(id->Inode));
  out += ':';
  AppendNumber(out, static_cast<long long>(id->Size));
  out += ':';
  AppendNumber(out, static_cast<long long>(id->WrittenSeconds));
}

std::optional<TIdentity> ParseIdentity(const std::string &text) {
  TIdentity id;
  unsigned long long device = 0, inode = 0;
  long long size = 0, written = 0;
  if (std::sscanf(text.c_str(), "%llu:%llu:%lld:%lld", &device, &inode, &size, &written) != 4) return std::nullopt;
  id.Device = device;
  id.Inode = inode;
  id.Size = size;
  id.WrittenSeconds = written;
  return id;
}

std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.emplace_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

void AppendHex(std::string &out, std::uint64_t value) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (int shift = 60; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 15];
}

struct TJournalFile {
  std::string Name;
  timespec Written{};
};

// The journals of the folder, oldest first, or none while they are fewer
// than `atLeast`.  The order is that of their last write, not of their
// names: names made in the same second by other processes sort by process
// number, which says nothing of which came first.
std::vector<TJournalFile> JournalFiles(const std::string &folder, std::size_t atLeast) {
  std::vector<TJournalFile> files;
  std::unique_ptr<DIR, int (*)(DIR *)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return files;
  std::vector<std::string> names;
  while (const dirent *entry = ::readdir(dir.get())) {
    const std::string_view name(entry->d_name);
    if (name.size() > kSuffix.size() && name.ends_with(kSuffix)) names.emplace_back(name);
  }
  if (names.size() < atLeast) return files;
  for (std::string &name : names) {
    struct stat st {};
    if (::fstatat(::dirfd(dir.get()), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
      continue;
    files.push_back(TJournalFile{std::move(name), st.st_mtim});
  }
  std::sort(files.begin(), files.end(), [](const TJournalFile &a, const TJournalFile &b) {
    if (a.Written.tv_sec != b.Written.tv_sec) return a.Written.tv_sec < b.Written.tv_sec;
    if (a.Written.tv_nsec != b.Written.tv_nsec) return a.Written.tv_nsec < b.Written.tv_nsec;
    return a.Name < b.Name;
  });
  return files;
}

// Removes the oldest journals beyond the kept number, once the slack above it
// is used up.  One written in the last hour is never removed: it may belong to
// a run still going, or to one its user is about to take back, and a clock set
// back makes new journals look old.
void PruneJournals(const std::string &folder) {
  const std::vector<TJournalFile> files = JournalFiles(folder, kKeptJournals + kPruneSlack);
  if (files.size() < kKeptJournals) return;
  const std::time_t recent = std::time(nullptr) - kProtectedSeconds;
  for (std::size_t i = 0; i + kKeptJournals <= files.size(); ++i) {
    const timespec &written = files[i].Written;
    if (written.tv_sec >= recent) continue;
    ::unlink((folder + "/" + files[i].Name).c_str());
  }
}

bool MakeFolders(const std::string &path) {
  for (std::size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::optional<TIdentity> IdentityOf(const TEntryRef &entry) {
  const std::optional<TEntryStatus> status = InspectStatus(entry);
  if (!status) return std::nullopt;
  return IdentityOf(*status);
}

TIdentity IdentityOf(const TEntryStatus &status) {
  return TIdentity{status.Id.Device, status.Id.Inode, status.Size, status.LastWrite.tv_sec};
}

bool SameEntry(const TIdentity &then, const TIdentity &now, bool folder) {
  if (then.Device != now.Device || then.Inode != now.Inode) return false;
  if (folder) return true;
  return then.Size == now.Size && then.WrittenSeconds / 2 == now.WrittenSeconds / 2;
}

std::uint64_t RecordHash(std::string_view cp932Line) {
  // A run hashes a line per target: the room of the last is reused.
  thread_local std::string converted;
  converted.clear();
  const std::string_view bytes =
      AppendCp932AsUtf8(converted, cp932Line) ? std::string_view(converted) : cp932Line;
  std::uint64_t hash = 1469598103934665603ull;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash == 0 ? 1 : hash;
}

std::optional<std::string> JournalFolder() {
  std::string base;
  if (const char *state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
    base = state;
  } else if (const char *home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
    base = std::string(home) + "/.local/state";
  } else {
    errno = ENOENT;
    return std::nullopt;
  }
  const std::string folder = base + "/korvane/journals";
  if (!MakeFolders(folder)) return std::nullopt;
  return folder;
}

TJournalWriter::~TJournalWriter() {
  if (IsOpen()) Close(true);
}

bool TJournalWriter::Open(std::string_view mode, const std::vector<std::string> &roots) {
  const std::optional<std::string> folder = JournalFolder();
  if (!folder) return false;
  PruneJournals(*folder);

  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  int fd = -1;
  for (int attempt = 0; attempt < 1000 && fd < 0; ++attempt) {
    const std::string name = *folder + "/" + stamp + "-" + std::to_string(::getpid()) + "-" +
                             std::to_string(attempt) + std::string(kSuffix);
    fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  File_.Adopt(fd);
  std::string heading = std::string(kMagic) + "\nmode\t" + std::string(mode) + "\n";
  for (const std::string &root : roots) heading += "root\t" + Escaped(root) + "\n";
  return Write(heading);
}

std::optional<TFileId> TJournalWriter::FileId() const {
  struct stat st {};
  if (!IsOpen() || ::fstat(File_.Fd(), &st) != 0) return std::nullopt;
  return TFileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool TJournalWriter::NoteLog(const std::string &cp932Path) {
  return Write(Pending_ + "log\t" + Escaped(cp932Path) + "\n");
}

bool TJournalWriter::Write(const std::string &text) {
  Pending_.clear();
  if (!IsOpen() || Error_ != 0) {
    if (Error_ == 0) Error_ = EBADF;
    errno = Error_;
    return false;
  }
  if (!File_.Append(text)) {
    Error_ = errno;
    return false;
  }
  return true;
}

bool TJournalWriter::Begin(TActKind kind, const std::string &from, const std::string &to,
                           const std::optional<TIdentity> &before, bool folder, bool toExisted,
                           std::size_t &number) {
  number = Next_++;
  std::string &line = Line_;
  line = Pending_;
  line += "act\t";
  AppendNumber(line, static_cast<unsigned long long>(number));
  line += '\t';
  line += KindName(kind);
  line += '\t';
  AppendEscaped(line, from);
  line += '\t';
  AppendEscaped(line, to);
  line += '\t';
  AppendIdentity(line, before);
  line += '\t';
  if (folder) line += 'F';
  if (toExisted) line += 'E';
  if (!folder && !toExisted) line += '-';
  line += '\n';
  return Write(line);
}

void TJournalWriter::End(std::size_t number, bool ok, const std::optional<TIdentity> &after,
                         const std::string &trashInfo, const std::string &trashFile) {
  Pending_ += "done\t";
  AppendNumber(Pending_, static_cast<unsigned long long>(number));
  Pending_ += ok ? "\tok\t" : "\tfailed\t";
  AppendIdentity(Pending_, after);
  Pending_ += '\t';
  AppendEscaped(Pending_, trashFile);
  Pending_ += '\t';
  AppendEscaped(Pending_, trashInfo);
  Pending_ += '\n';
}

void TJournalWriter::Recorded(std::size_t number, std::string_view cp932Line) {
  Pending_ += "record\t";
  AppendNumber(Pending_, static_cast<unsigned long long>(number));
  Pending_ += '\t';
  AppendHex(Pending_, RecordHash(cp932Line));
  Pending_ += '\n';
}

bool TJournalWriter::Close(bool aborted) {
  if (!IsOpen()) return Error_ == 0;
  const bool written = Write(Pending_ + (aborted ? "end\taborted\n" : "end\tdone\n"));
  if (!File_.Close() && Error_ == 0) Error_ = errno;
  return written && Error_ == 0;
}

std::optional<TJournal> ReadJournal(const std::string &file, bool firstRecordOnly,
                                    const std::function<void()> &pump) {
  std::unique_ptr<std::FILE, int (*)(std::FILE *)> in(std::fopen(file.c_str(), "rbe"), std::fclose);
  if (!in) return std::nullopt;
  TJournal journal;
  journal.File = file;
  std::string line;
  bool first = true;
  std::size_t count = 0;
  for (int c = 0; c != EOF;) {
    if (pump && ++count % 4096 == 0) pump();
    line.clear();
    while ((c = std::fgetc(in.get())) != EOF && c != '\n' && c != '\0') line += static_cast<char>(c);
    // The space a killed run had reserved reads as NUL bytes; a line cut
    // short by the kill was never acted on.
    if (c == EOF || c == '\0') break;
    if (first) {
      if (line != kMagic) return std::nullopt;
      first = false;
      continue;
    }
    const std::vector<std::string> f = Fields(line);
    if (f[0] == "mode" && f.size() > 1) {
      journal.Mode = f[1];
    } else if (f[0] == "root" && f.size() > 1) {
      journal.Roots.push_back(Unescaped(f[1]));
    } else if (f[0] == "log" && f.size() > 1) {
      journal.LogPath = Unescaped(f[1]);
    } else if (f[0] == "act" && f.size() >= 7) {
      const std::optional<TActKind> kind = KindOf(f[2]);
      if (!kind) continue;
      TJournalAct act;
      act.Number = std::strtoull(f[1].c_str(), nullptr, 10);
      act.Kind = *kind;
      act.From = Unescaped(f[3]);
      act.To = Unescaped(f[4]);
      act.Before = ParseIdentity(f[5]);
      act.Folder = f[6].find('F') != std::string::npos;
      act.ToExisted = f[6].find('E') != std::string::npos;
      journal.Acts.push_back(std::move(act));
    } else if (f[0] == "done" && f.size() >= 6) {
      const std::size_t number = std::strtoull(f[1].c_str(), nullptr, 10);
      for (auto act = journal.Acts.rbegin(); act != journal.Acts.rend(); ++act) {
        if (act->Number != number) continue;
        act->Ended = true;
        act->Ok = f[2] == "ok";
        act->After = ParseIdentity(f[3]);
        if (f[4] != "-") act->To = Unescaped(f[4]);
        act->Info = Unescaped(f[5]);
        break;
      }
    } else if (f[0] == "record" && f.size() >= 3) {
      const std::size_t number = std::strtoull(f[1].c_str(), nullptr, 10);
      const std::uint64_t hash = std::strtoull(f[2].c_str(), nullptr, 16);
      journal.Records.push_back(hash);
      if (firstRecordOnly) break;
      // A record of a target that was not acted on names no act.
      if (number == 0) continue;
      for (auto act = journal.Acts.rbegin(); act != journal.Acts.rend(); ++act)
        if (act->Number == number) {
          act->Record = hash;
          break;
        }
    } else if (f[0] == "end") {
      journal.Ended = true;
    }
  }
  return journal;
}

std::optional<TJournal> FindJournal(std::uint64_t firstRecord, std::string_view firstPath,
                                    const std::string &logPath, const std::function<void()> &pump) {
  const std::optional<std::string> folder = JournalFolder();
  if (!folder) return std::nullopt;
  const std::vector<TJournalFile> files = JournalFiles(*folder, 0);
  // The same first record can open several runs (a file renamed, taken back
  // and renamed again); the one written with this log file comes first, else
  // the newest, as the log may have been moved since.  A journal cut off
  // before its first record is only a guess from a path: it comes after
  // every journal that has the record itself.
  std::optional<std::string> cut;
  std::optional<std::string> newest;
  for (auto journal = files.rbegin(); journal != files.rend(); ++journal) {
    const std::string file = *folder + "/" + journal->Name;
    // Read up to the journal's first record.
    const std::optional<TJournal> head = ReadJournal(file, true);
    if (!head) continue;
    const std::uint64_t first = head->Records.empty() ? 0 : head->Records.front();
    const bool otherLog = !logPath.empty() && head->LogPath != logPath;
    if (firstRecord == 0) {
      if (first == 0 && !logPath.empty() && !otherLog) return ReadJournal(file, false, pump);
      continue;
    }
    if (first == firstRecord) {
      if (!otherLog) return ReadJournal(file, false, pump);
      if (!newest) newest = file;
      continue;
    }
    // Without a record the head is the whole journal: its acts and whether
    // it ended (one that ended had no record at all).  The acts before a
    // first record are few: the folders a copy made on its way, the steps
    // of a chain through a temporary name.
    if (!cut && first == 0 && !head->Ended && !otherLog &&
        std::any_of(head->Acts.begin(), head->Acts.end(),
                    [&](const TJournalAct &act) { return act.From == firstPath; }))
      cut = file;
  }
  if (newest) return ReadJournal(*newest, false, pump);
  if (cut) return ReadJournal(*cut, false, pump);
  return std::nullopt;
}
