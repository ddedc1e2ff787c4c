// libFuzzer target: the settings reader.  The input is a settings file, and
// its first bytes also choose one key to write.  A document read and not
// changed gives back exactly the bytes it was made of; a value written is
// read back as the profile functions would give it, from the document and
// from its text read anew; the value readers never fail on what they find.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/IniDocument.h"
#include "core/ProfileValues.h"

namespace {

// A name made of letters only, so that it is a name the file can hold.
std::string Name(const std::uint8_t *data, std::size_t size) {
  std::string name(size == 0 ? 1 : size, 'k');
  for (std::size_t i = 0; i < size; ++i) name[i] = static_cast<char>('a' + data[i] % 26);
  return name;
}

std::string_view Expected(std::string_view value) {
  value = value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
  constexpr std::string_view kBlanks = " \t\r\v\f";
  const std::size_t first = value.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return value.substr(first, value.find_last_not_of(kBlanks) - first + 1);
}

void ReadProbes(const TIniDocument &document) {
  for (const char *section : {"FindFile", "Rename", "a"}) {
    for (const char *key : {"Folder", "SeqIndex", "DateFrom", "k"}) {
      const auto value = document.FindValue(section, key);
      if (!value) continue;
      const std::string text = ProfileText(*value);
      if (text.size() > kMaxValueBytes) __builtin_trap();
      ParseProfileInteger(text);
      NormaliseDateText(text);
      NormaliseTimeText(text);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char *>(data), size);
  TIniDocument document{std::string(bytes)};
  if (document.Text() != bytes) __builtin_trap();  // reading alone changes nothing
  ReadProbes(document);

  if (size < 3) return 0;
  const std::size_t sectionLength = data[0] % 4, keyLength = data[1] % 4;
  if (size < 3 + sectionLength + keyLength) return 0;
  const std::string section = Name(data + 3, sectionLength);
  const std::string key = Name(data + 3 + sectionLength, keyLength);
  const std::size_t valueStart = 3 + sectionLength + keyLength;
  const std::size_t valueLength = std::min<std::size_t>(data[2], size - valueStart);
  const std::string value(reinterpret_cast<const char *>(data + valueStart), valueLength);

  document.SetValue(section, key, value);
  const auto read = document.FindValue(section, key);
  if (!read || *read != Expected(value)) __builtin_trap();
  const TIniDocument reread(document.Text());
  const auto again = reread.FindValue(section, key);
  if (!again || *again != Expected(value)) __builtin_trap();
  ReadProbes(reread);
  return 0;
}
