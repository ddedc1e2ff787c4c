#pragma once
// Extension codes: how a Shift-JIS system carries names that Shift-JIS
// cannot hold.
//
// Linux names are bytes, mostly UTF-8, and many of them hold characters that
// have no CP932 code (é, emoji, a decomposed が), characters whose CP932 code
// returns another character (WAVE DASH comes back as FULLWIDTH TILDE, the
// yen sign as a backslash), or bytes that are not UTF-8 at all.  Each such
// character, and each such byte, gets a code of CP932's user-defined area
// (lead bytes 0xF0-0xF9, 1,880 double-byte codes) the first time it is seen,
// and keeps it for the life of the process.  Inside the system it is an
// ordinary double-byte character; on the way out it becomes its original
// character or byte again, so the trip back gives the exact name.  This is
// Python's "surrogateescape" idea carried into a Shift-JIS world.
//
// A key is what a code stands for: a Unicode scalar value, or 0xDC00 + b for
// a byte b (0x80-0xFF) that is not part of valid UTF-8 (the lone low
// surrogates, which valid UTF-8 can never hold, as in surrogateescape).
//
// The private-use characters U+E000-U+E757 are glibc's own mapping of this
// area.  They are keys like any other, but prefer their natural code, so a
// Shift-JIS file with user-defined characters keeps reading as it always
// did: a code that arrives from such a file and was never assigned stands
// for its private-use character.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

class TExtensionCodes {
public:
  // Codes of the area, numbered 0..kCount-1 in CP932 order.
  static constexpr int kCount = 1880;
  static constexpr char32_t kRawByteKey = 0xDC00;   // + the byte
  static constexpr char32_t kPrivateUseFirst = 0xE000;

  // Characters with codes fixed before any name is seen, so the fuzzy
  // dictionary can name them: the combining voiced and semi-voiced sound
  // marks of decomposed kana, and the characters whose CP932 code returns
  // another one (WAVE DASH, MINUS SIGN, DOUBLE VERTICAL LINE, CENT, POUND,
  // NOT SIGN, EM DASH).  They take the last codes of the area, in this order.
  static constexpr char32_t kReserved[] = {0x3099, 0x309A, 0x301C, 0x2212, 0x2016,
                                           0x00A2, 0x00A3, 0x00AC, 0x2014};

  // The one table of the process (or the one a TScopedExtensionCodes put in
  // its place).
  static TExtensionCodes &Instance();

  TExtensionCodes();
  TExtensionCodes(const TExtensionCodes &) = delete;
  TExtensionCodes &operator=(const TExtensionCodes &) = delete;

  // The code of `key`, assigned now when it has none; nullopt when every
  // code is taken.
  std::optional<int> CodeOf(char32_t key);
  // What `code` stands for.  An unassigned code takes its private-use
  // character, unless that character already has another code (nullopt).
  std::optional<char32_t> KeyOf(int code);
  // True when `code` stands for something other than its own private-use
  // character: a text holding it cannot be written as Shift-JIS.
  bool StandsForOther(int code) const;

  // CP932 bytes of a code, and the code of a lead and trail byte (nullopt
  // when they are not in the area).
  static void BytesOf(int code, unsigned char &lead, unsigned char &trail);
  static std::optional<int> CodeAt(unsigned char lead, unsigned char trail);

  // Codes still free.
  int FreeCount() const;

private:
  friend class TScopedExtensionCodes;
  static TExtensionCodes *&Current();

  bool Assign(int code, char32_t key);
  std::optional<int> FindCode(char32_t key) const;

  // A code, once given, stands for its key for the life of the table, so
  // both directions are read without the lock: the listing's threads and
  // the thread writing the output convert the same names at once.  Only a
  // new code is given under the lock.
  static constexpr std::size_t kSlots = 4096;   // a power of two over 2 * kCount
  mutable std::mutex mutex_;
  std::unique_ptr<std::atomic<char32_t>[]> keyOfCode_;   // 0: unassigned
  // Open addressing on the key: a slot holds key << 32 | code, 0 when empty.
  std::unique_ptr<std::atomic<std::uint64_t>[]> codeOfKey_;
  int assigned_ = 0;
  int nextFree_;                      // codes above it are all taken
};

// Puts a fresh table in place of the process's one for the life of the
// object, so a test can fill a table without taking the codes every other
// test of the process needs.
class TScopedExtensionCodes {
public:
  TScopedExtensionCodes() : saved_(TExtensionCodes::Current()) { TExtensionCodes::Current() = &table_; }
  ~TScopedExtensionCodes() { TExtensionCodes::Current() = saved_; }
  TScopedExtensionCodes(const TScopedExtensionCodes &) = delete;
  TScopedExtensionCodes &operator=(const TScopedExtensionCodes &) = delete;

  TExtensionCodes &Table() { return table_; }
  // Takes codes until only `left` are free.
  void FillUntil(int left);

private:
  TExtensionCodes table_;
  TExtensionCodes *saved_;
};
