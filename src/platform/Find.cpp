// Folder listing with the wildcard rules of the Windows enumeration.
//
// The listing reads the folder once (getdents64 on the held descriptor, from
// its start) and examines only the names that match, so a narrow pattern
// over a large folder costs one pass over the names.  Each entry is examined
// relative to the folder, fstatat and the DOSATTRIB attribute alike, so no
// path is walked per entry; a large folder has those two calls shared with a
// second thread (TExamination).  A scan for folders also skips, by the type
// getdents64 reports, every entry that is certainly no folder.
//
// Names arrive as UTF-8 (or as bytes that are not UTF-8) and become CP932 with extension codes for what Shift-JIS lacks, so
// each converts back to exactly its own bytes.  Only when the extension
// codes have run out is a name left out, and counted: renamed, copied or
// deleted under a guessed name it would be another file's.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/CharCase.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/FsInternal.h"
#include "platform/Inspect.h"
#include "platform/Sys.h"

using namespace korvane;

namespace {

std::size_t CharLength(std::string_view text, std::size_t at) {
  return IsDBCSLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

// "*" and "?" with the classic backtrack to the last star: linear for
// patterns with one star, and never worse than name x pattern.  Both texts
// are walked a character at a time, so "?" takes a double-byte character
// whole and a trail byte is never compared as a letter; letter case is
// ignored as Windows ignores it, full-width Latin, Greek and Cyrillic too.
bool MatchPlain(std::string_view name, std::string_view pattern) {
  std::size_t n = 0, p = 0;
  std::size_t starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size()) {
      const char pc = pattern[p];
      if (pc == '*') {
        starP = ++p;
        starN = n;
        continue;
      }
      const std::size_t nameLength = CharLength(name, n);
      const std::size_t patternLength = CharLength(pattern, p);
      if (pc == '?') {
        n += nameLength;
        ++p;
        continue;
      }
      if (nameLength == patternLength &&
          FoldedCharCode(name.substr(n, nameLength)) == FoldedCharCode(pattern.substr(p, patternLength))) {
        n += nameLength;
        p += patternLength;
        continue;
      }
    }
    if (starP == std::string_view::npos) return false;
    starN += CharLength(name, starN);
    n = starN;
    p = starP;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// The entries of a folder, read in large blocks straight from its held
// descriptor: no second descriptor and no stream per listing.
class TDirReader {
public:
  // Rewinds the folder, so every listing sees all of it.
  explicit TDirReader(int dir) : Dir_(dir) {
    if (sys::Call("lseek", [&] { return ::lseek(Dir_, 0, SEEK_SET); }) < 0) Error_ = errno;
  }

  // The next entry, or nullptr at the end or on an error (Error() then).
  // A fault injected into "readdir" hits one entry, as a folder that
  // vanishes in mid-listing would.
  const dirent64 *Next() {
    if (Error_ != 0) return nullptr;
    if (sys::FaultFires("readdir")) {
      Error_ = errno;
      return nullptr;
    }
    if (At_ >= Filled_) {
      const ssize_t got =
          sys::Call("getdents64", [&] { return ::getdents64(Dir_, Buffer_, sizeof Buffer_); });
      if (got <= 0) {
        if (got < 0) Error_ = errno;
        return nullptr;
      }
      Filled_ = static_cast<std::size_t>(got);
      At_ = 0;
    }
    const auto *entry = reinterpret_cast<const dirent64 *>(Buffer_ + At_);
    At_ += entry->d_reclen;
    return entry;
  }

  int Error() const { return Error_; }

private:
  int Dir_;
  int Error_ = 0;
  std::size_t At_ = 0, Filled_ = 0;
  alignas(dirent64) char Buffer_[32768];
};

bool IsDotOrDotDot(const char *name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Entries are read in batches and then examined: large enough that a second
// thread pays for itself, small enough that a folder of a million names
// holds no more than this many of them twice at once.
constexpr std::size_t kBatchSize = 4096;
// A batch that grows past this many names is given room for a whole batch.
constexpr std::size_t kGrowWholeFrom = 256;
// A batch smaller than this is examined on the listing's own thread.  A
// second thread pays for itself from a few dozen entries (starting one
// costs about what examining a handful of entries costs), and trees of
// folders of a hundred files are common.
constexpr std::size_t kSplitFrom = 64;

// One name of a batch and what its examination found.
struct TExamined {
  std::size_t NameAt = 0;  // the UTF-8 name, in the batch's text
  std::string Name;        // CP932
  int Error = 0;           // errno of a failed fstatat; 0 once examined
  bool Skip = false;       // examined, and outside the listing's scope
  bool IsSymlink = false;
  std::uint32_t DosBits = 0;
  struct stat St {};
};

// The names read since the last batch was examined, in the order read.
class TBatch {
public:
  void Clear() {
    Entries_.clear();
    Names_.clear();
  }
  std::size_t Size() const { return Entries_.size(); }

  void Add(std::string_view utf8Name, std::string name) {
    // A batch that outgrows a small folder's gets room for a whole batch at
    // once: each page of it is then touched once, not once more at every
    // doubling (a quarter of a large listing's page faults).  The room is
    // kept for the batches that follow.
    if (Entries_.size() == Entries_.capacity() && Entries_.size() >= kGrowWholeFrom)
      Entries_.reserve(kBatchSize);
    TExamined &entry = Entries_.emplace_back();
    entry.NameAt = Names_.size();
    Names_.append(utf8Name);
    Names_.push_back('\0');
    entry.Name = std::move(name);
  }

  TExamined &At(std::size_t index) { return Entries_[index]; }
  const char *Utf8Name(const TExamined &entry) const { return Names_.data() + entry.NameAt; }

  // Hands the examined entries [from, to) to `sink` in the order read; stops
  // at the first that could not be examined and returns its errno, or
  // ECANCELED when the sink wants no more (0 when there was neither).
  int HandTo(const TFoundSink &sink, std::size_t from, std::size_t to) {
    for (std::size_t index = from; index < to; ++index) {
      TExamined &entry = Entries_[index];
      if (entry.Error == ENOENT) continue;  // removed since it was read
      if (entry.Error != 0) return entry.Error;
      if (entry.Skip) continue;
      FindEntry found;
      found.IsSymlink = entry.IsSymlink;
      fs::FillEntry(found, entry.St, Utf8Name(entry), entry.DosBits);
      found.Name = std::move(entry.Name);
      if (!sink(found)) return ECANCELED;
    }
    return 0;
  }

private:
  std::vector<TExamined> Entries_;
  std::string Names_;
};

// The runs of a batch's entries [from, count) that two threads examine, each
// taking the next free run; one of them hands the runs on in order as they
// are done.
class TRuns {
public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  TRuns(std::size_t from, std::size_t count)
      : From_(from), Count_(count), Runs_((count - from + kRunSize - 1) / kRunSize),
        Done_(std::make_unique<std::atomic<bool>[]>(Runs_)) {}

  std::size_t Count() const { return Runs_; }
  std::size_t First(std::size_t run) const { return From_ + run * kRunSize; }
  std::size_t End(std::size_t run) const { return std::min(Count_, First(run) + kRunSize); }

  // The next run no thread has taken, or kNone.
  std::size_t Claim() {
    if (Stopped_.load(std::memory_order_relaxed)) return kNone;
    const std::size_t run = Next_.fetch_add(1, std::memory_order_relaxed);
    return run < Runs_ ? run : kNone;
  }
  void Done(std::size_t run) {
    Done_[run].store(true, std::memory_order_release);
    Done_[run].notify_one();
  }
  bool IsDone(std::size_t run) const { return Done_[run].load(std::memory_order_acquire); }
  void WaitFor(std::size_t run) const { Done_[run].wait(false, std::memory_order_acquire); }
  // No run is taken from now on: the sink wants no more, or failed.
  void Stop() { Stopped_.store(true, std::memory_order_relaxed); }

private:
  // Small enough that neither thread waits long for the other at the end,
  // large enough that taking a run costs nothing beside examining it.
  static constexpr std::size_t kRunSize = 32;

  std::size_t From_, Count_, Runs_;
  std::unique_ptr<std::atomic<bool>[]> Done_;
  std::atomic<std::size_t> Next_{0};
  std::atomic<bool> Stopped_{false};
};

// Reads each entry of a batch with fstatat and its DOSATTRIB bits, relative
// to the folder.  These two calls are most of a listing's cost; a large
// batch is split with a second thread where the machine has another
// processor.  Names are converted and filtered before, and entries made
// after, on the listing's own thread, so extension codes are handed out in
// the order names are read and the result is the same either way.
class TExamination {
public:
  TExamination(int dir, bool foldersOnly)
      : Dir_(dir), FoldersOnly_(foldersOnly), Xattrs_(dir), Fat_(FatFolder(dir)) {}

  // Gives the process its working folder back (see TXattrAt).
  void Pause() { Xattrs_.Pause(); }

  // Examines the batch and hands its entries to `sink` in the order read, as
  // TBatch::HandTo.  A large batch is examined in runs of entries that both
  // threads take in turn; this one hands each run on as soon as it and those
  // before it are examined, and examines the next free run meanwhile, so the
  // sink's work overlaps the other thread's examination.
  int RunAndHand(TBatch &batch, const TFoundSink &sink) {
    const std::size_t count = batch.Size();
    std::size_t from = 0;
    // The first answer of a process's first large listing tells whether the
    // kernel has the *at calls.
    if (count >= kSplitFrom && !fs::XattrAtCallsPresent()) {
      Examine(batch, 0, 1, Dir_, Xattrs_, XattrUnsupported_);
      from = 1;
    }
    if (count < kSplitFrom || !MaySplit()) {
      Examine(batch, from, count, Dir_, Xattrs_, XattrUnsupported_);
      // The sink may act on the disk by paths: the process's own working
      // folder comes back first (a second thread never needs it taken).
      Pause();
      return batch.HandTo(sink, 0, count);
    }
    TRuns runs(from, count);
    bool helperUnsupported = XattrUnsupported_;
    struct THelper {
      TRuns &Runs;
      std::optional<std::thread> Thread;
      void Join() {
        Runs.Stop();
        if (Thread) Thread->join();
        Thread.reset();
      }
      // Joined however this ends, a sink that throws included.
      ~THelper() { Join(); }
    } helper{runs, std::nullopt};
    try {
      helper.Thread.emplace([&] {
        // The helper looks through an open folder of its own.  Calls
        // through one open folder from two threads each count a use of it,
        // and that count would travel between the processors at every call.
        const sys::TFd own(::openat(Dir_, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
        const int dir = own.Valid() ? own.Get() : Dir_;
        fs::TXattrAt xattrs(dir);
        for (std::size_t run; (run = runs.Claim()) != TRuns::kNone;) {
          Examine(batch, runs.First(run), runs.End(run), dir, xattrs, helperUnsupported);
          runs.Done(run);
        }
      });
    } catch (const std::system_error &) {
      // No thread to be had: this one takes every run.
    }
    int error = batch.HandTo(sink, 0, from);
    for (std::size_t handed = 0; error == 0 && handed < runs.Count();) {
      if (runs.IsDone(handed)) {
        error = batch.HandTo(sink, runs.First(handed), runs.End(handed));
        ++handed;
      } else if (const std::size_t run = runs.Claim(); run != TRuns::kNone) {
        Examine(batch, runs.First(run), runs.End(run), Dir_, Xattrs_, XattrUnsupported_);
        runs.Done(run);
      } else {
        runs.WaitFor(handed);  // the helper has it in hand
      }
    }
    helper.Join();
    XattrUnsupported_ = XattrUnsupported_ || helperUnsupported;
    return error;
  }

private:
  // The second thread reads attributes only through the kernel's *at
  // calls: where those are missing, a stand-in working folder is the whole
  // process's, and two threads could not each have their own.
  static bool MaySplit() {
    static const bool severalProcessors = std::thread::hardware_concurrency() > 1;
    return severalProcessors && fs::XattrAtCallsPresent();
  }

  // Examines entries [from, to); an entry that cannot be examined (and did
  // not vanish) ends the range, as it ends the listing.
  void Examine(TBatch &batch, std::size_t from, std::size_t to, int dir, fs::TXattrAt &xattrs,
               bool &xattrUnsupported) const {
    for (std::size_t index = from; index < to; ++index) {
      TExamined &entry = batch.At(index);
      const char *name = batch.Utf8Name(entry);
      if (sys::Call("fstatat", [&] {
            return ::fstatat(dir, name, &entry.St, AT_SYMLINK_NOFOLLOW);
          }) != 0) {
        entry.Error = errno;
        if (entry.Error == ENOENT) continue;
        break;
      }
      if (S_ISLNK(entry.St.st_mode)) {
        if (FoldersOnly_) {
          entry.Skip = true;
          continue;
        }
        entry.IsSymlink = true;
        // Attributes of what the link points to; a dangling link keeps its own.
        struct stat target {};
        if (sys::Call("fstatat", [&] { return ::fstatat(dir, name, &target, 0); }) == 0) {
          entry.St = target;
        }
      } else if (FoldersOnly_ && !S_ISDIR(entry.St.st_mode)) {
        entry.Skip = true;
        continue;
      }
      if (Fat_)
        entry.DosBits = fs::ReadFatBits(dir, name, entry.IsSymlink);
      else
        entry.DosBits =
            xattrUnsupported ? 0 : fs::ReadDosBits(xattrs, name, entry.IsSymlink, xattrUnsupported);
    }
  }

  // The kernel's FAT driver keeps the real attribute bits; a folder there is
  // read through it, an entry at a time.
  static bool FatFolder(int dir) {
    const int saved = errno;
    const auto traits = fs::TraitsOfFolder(dir);
    errno = saved;
    return traits && traits->DosAttributeIoctl;
  }

  int Dir_;
  bool FoldersOnly_;
  fs::TXattrAt Xattrs_;
  bool Fat_;
  bool XattrUnsupported_ = false;
};

}  // namespace

// Windows reads a final ".*" as "a dot and anything, or the end of the
// name", which is what makes "*.*" match every name and "readme.*" match
// "readme".
bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  if (MatchPlain(name, pattern)) return true;
  return pattern.size() >= 2 && pattern.ends_with(".*") &&
         MatchPlain(name, pattern.substr(0, pattern.size() - 2));
}

FindResult FindFiles(const TFolderHandle &folder, std::string_view pattern, TFindScope scope,
                     const TListingPump &pump) {
  std::vector<FindEntry> entries;
  FindResult result = FindEach(folder, pattern, scope, pump, [&entries](FindEntry &entry) {
    entries.push_back(std::move(entry));
    return true;
  });
  result.Entries = std::move(entries);
  return result;
}

FindResult FindEach(const TFolderHandle &folder, std::string_view pattern, TFindScope scope,
                    const TListingPump &pump, const TFoundSink &sink, TNamesRead *namesRead) {
  FindResult result;
  bool everyNameHeld = true;
  if (namesRead != nullptr) {
    namesRead->Names.clear();
    namesRead->Whole = false;
  }
  if (!folder.Valid()) {
    result.Error = EBADF;
    return result;
  }
  const int dirFd = folder.Native();
  TDirReader reader(dirFd);
  const bool foldersOnly = scope == TFindScope::Folders;
  TExamination examination(dirFd, foldersOnly);
  // The walk's usual patterns need no matching at all.
  const bool everyName = pattern == "*" || pattern == "*.*";
  // A test that makes a chosen call fail needs the calls in their plain
  // order: each entry examined as soon as it is read, on this thread.
  const std::size_t batchLimit = sys::FaultsArmed() ? 1 : kBatchSize;
  TBatch batch;

  // Names read, not names kept, count for the pump: a narrow filter over a
  // large folder takes as long to read.
  constexpr unsigned kPumpEvery = 256;
  unsigned sincePump = 0;
  bool more = true;
  while (more && result.Error == 0) {
    batch.Clear();
    while (batch.Size() < batchLimit) {
      const dirent64 *entry = reader.Next();
      if (entry == nullptr) {
        more = false;
        break;
      }
      if (pump && ++sincePump == kPumpEvery) {
        sincePump = 0;
        // What the front end does meanwhile must find the process's own
        // working folder, not the listed one standing in for it.
        examination.Pause();
        if (!pump()) {
          // What was read before the stop is still examined and kept.
          result.Error = ECANCELED;
          more = false;
          break;
        }
      }
      if (IsDotOrDotDot(entry->d_name)) continue;
      const std::string_view utf8Name(entry->d_name);

      std::optional<std::string> name = Utf8ToCp932(utf8Name);
      if (namesRead != nullptr) {
        if (name)
          namesRead->Names.push_back(*name);
        else
          everyNameHeld = false;
      }
      if (!name) {
        // Counted where it would have been listed, so a narrow filter does
        // not report names it never concerned.
        if (everyName || MatchesWildcard(Utf8ToCp932Lossy(utf8Name), pattern)) {
          ++result.Unrepresentable;
          result.UnrepresentableNames.emplace_back(utf8Name);
        }
        continue;
      }
      // A file system that does not say (DT_UNKNOWN) has the entry examined.
      if (foldersOnly && entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) continue;
      if (!everyName && !MatchesWildcard(*name, pattern)) continue;
      batch.Add(utf8Name, std::move(*name));
    }
    const int error = examination.RunAndHand(batch, sink);
    if (error != 0) {
      result.Error = error;
      more = false;
    }
  }
  if (result.Error == 0) result.Error = reader.Error();
  result.Ok = result.Error == 0;
  if (namesRead != nullptr) namesRead->Whole = result.Ok && everyNameHeld;
  return result;
}

std::optional<std::vector<std::string>> ReadFolderNames(const TFolderHandle &folder) {
  if (!folder.Valid()) {
    errno = EBADF;
    return std::nullopt;
  }
  TDirReader reader(folder.Native());
  std::vector<std::string> names;
  while (const dirent64 *entry = reader.Next()) {
    if (IsDotOrDotDot(entry->d_name)) continue;
    std::optional<std::string> cp932 = Utf8ToCp932(entry->d_name);
    if (!cp932) return std::nullopt;
    names.push_back(*std::move(cp932));
  }
  if (reader.Error() != 0) {
    errno = reader.Error();
    return std::nullopt;
  }
  return names;
}

FindResult FindFiles(const std::string &folder, std::string_view pattern) {
  const TFolderHandle handle = TFolderHandle::Open(folder);
  if (!handle.Valid()) {
    FindResult result;
    result.Error = errno;
    return result;
  }
  return FindFiles(handle, pattern);
}
