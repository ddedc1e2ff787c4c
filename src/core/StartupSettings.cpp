#include "core/StartupSettings.h"

#include <array>
#include <string_view>
#include <utility>

#include "core/JobSettingsFile.h"
#include "platform/Paths.h"

namespace {

constexpr std::string_view kSettingsSection = "Settings";
constexpr std::string_view kSuccessKey = "Success";
constexpr std::string_view kWindowSection = "Window";

enum class TPush { History, Plain };

struct THistorySlot {
  std::string_view Section;
  std::vector<std::string> THistories::*List;
  TPush Push;
};

// Sections in the order they are read and written.
constexpr std::array<THistorySlot, 6> kHistorySlots = {{
    {"Folder", &THistories::Folder, TPush::History},
    {"CopyFolder", &THistories::CopyFolder, TPush::History},
    {"Filter", &THistories::Filter, TPush::History},
    {"Exception", &THistories::Exception, TPush::History},
    {"FromName", &THistories::FromName, TPush::Plain},
    {"ToName", &THistories::ToName, TPush::Plain},
}};

}  // namespace

bool ReadStartupSettings(const TIniFile &file, TSessionSettings &session, JobSettings &job) {
  // Key 7 first and key 0 last, so each list ends in the stored order with
  // key 0 on top.
  for (int n = static_cast<int>(kHistoryMax) - 1; n >= 0; --n) {
    const std::string key = std::to_string(n);
    for (const THistorySlot &slot : kHistorySlots) {
      const std::string value = file.ReadString(slot.Section, key, "");
      if (value.empty()) continue;
      std::vector<std::string> &list = session.Histories.*slot.List;
      if (slot.Push == TPush::History) {
        PushHistory(list, value);
      } else {
        list.insert(list.begin(), value);
      }
    }
  }
  session.Success = file.ReadBool(kSettingsSection, kSuccessKey, session.Success);
  TWindowPlace place;
  place.Left = file.ReadInteger(kWindowSection, "Left", 0);
  place.Top = file.ReadInteger(kWindowSection, "Top", 0);
  place.Width = file.ReadInteger(kWindowSection, "Width", 0);
  place.Height = file.ReadInteger(kWindowSection, "Height", 0);
  place.Maximized = file.ReadBool(kWindowSection, "Maximized", false);
  // A size of nothing is no place (a file of the Windows program, or edited).
  if (place.Width > 0 && place.Height > 0) session.Place = place;
  if (!session.Success) return false;
  ReadJobSettings(file, job);
  return true;
}

void WriteShutdownSettings(TIniFile &file, const TSessionSettings &session,
                           const JobSettings &job) {
  for (std::size_t n = 0; n < kHistoryMax; ++n) {
    const std::string key = std::to_string(n);
    for (const THistorySlot &slot : kHistorySlots) {
      const std::vector<std::string> &list = session.Histories.*slot.List;
      if (list.size() > n) file.WriteString(slot.Section, key, list[n]);
    }
  }
  file.WriteBool(kSettingsSection, kSuccessKey, session.Success);
  if (session.Place) {
    file.WriteInteger(kWindowSection, "Left", session.Place->Left);
    file.WriteInteger(kWindowSection, "Top", session.Place->Top);
    file.WriteInteger(kWindowSection, "Width", session.Place->Width);
    file.WriteInteger(kWindowSection, "Height", session.Place->Height);
    file.WriteBool(kWindowSection, "Maximized", session.Place->Maximized);
  }
  if (session.Success) WriteJobSettings(file, job);
}

bool LoadStartupSettings(const std::string &fileName, TSessionSettings &session,
                         JobSettings &job) {
  const TIniFile file(fileName);
  return ReadStartupSettings(file, session, job);
}

void SaveShutdownSettings(const std::string &fileName, const TSessionSettings &session,
                          const JobSettings &job) {
  TIniFile file(fileName);
  WriteShutdownSettings(file, session, job);
  if (!file.Modified()) return;
  // The per-user fallback location may not exist yet.  When the folder
  // cannot be made, the write below reports the error.
  const std::size_t slash = LastDelimiterOffset(fileName, std::string_view(&kPathDelimiter, 1));
  if (slash != std::string::npos && slash > 0) ForceFolder(fileName.substr(0, slash));
  file.UpdateFile();
}
