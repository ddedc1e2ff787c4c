// libFuzzer target: any bytes as a name on disk.  The name must convert to
// CP932 and back to exactly the same bytes, through UTF-8 and through the
// window's UTF-16; any CP932 text must convert (or fail) without a crash,
// and what it converts to must convert back to itself.  Each input gets a
// fresh table of extension codes, so codes never run out across inputs.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Cp932.h"
#include "platform/ExtensionCodes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  TScopedExtensionCodes scoped;
  const std::string bytes(reinterpret_cast<const char *>(data), size);

  const std::optional<std::string> cp932 = Utf8ToCp932(bytes);
  if (!cp932) std::abort();  // a fresh table holds any name
  if (Cp932ToUtf8(*cp932) != bytes) std::abort();
  const std::optional<std::u16string> utf16 = Cp932ToUtf16(*cp932);
  if (!utf16 || Utf16ToCp932(*utf16) != *cp932) std::abort();

  // The same bytes read as CP932 text (a settings value, a typed pattern).
  if (const std::optional<std::string> utf8 = Cp932ToUtf8(bytes)) {
    const std::optional<std::string> back = Utf8ToCp932(*utf8);
    if (!back || Cp932ToUtf8(*back) != *utf8) std::abort();
  }
  (void)Cp932ToUtf8Lossy(bytes);
  (void)Cp932ToUtf16Lossy(bytes);
  (void)NeedsUnicode(bytes);
  return 0;
}
