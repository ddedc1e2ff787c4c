#include "ui/session/SettingsSession.h"

#include <unistd.h>

#include <cerrno>
#include <exception>
#include <vector>

#include "core/DefaultSettingsFile.h"
#include "core/JobSettingsFile.h"
#include "core/StartupSettings.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"

namespace {

std::string SettingsFileName(const std::optional<std::string> &fileName) {
  return fileName ? *fileName : DefaultSettingsFile();
}

TSessionSettings SessionOf(TSettingsAccess &window) {
  TSessionSettings session;
  session.Histories = window.GetHistories();
  session.Success = window.GetCarryOver();
  session.Place = window.GetPlace();
  return session;
}

}  // namespace

std::optional<std::string> ReadStartupSettings(TSettingsAccess &window,
                                               const std::optional<std::string> &fileName) {
  std::string name;
  try {
    name = SettingsFileName(fileName);
  } catch (const EKorvaneError &error) {
    return error.Message();
  }
  TSessionSettings session = SessionOf(window);
  JobSettings job = window.GetJob();
  const bool jobRead = LoadStartupSettings(name, session, job);
  window.SetHistories(session.Histories);
  window.SetCarryOver(session.Success);
  if (session.Place) window.SetPlace(*session.Place);
  if (jobRead) window.SetJob(job);
  return std::nullopt;
}

std::optional<std::string> WriteShutdownSettings(TSettingsAccess &window,
                                                 const std::optional<std::string> &fileName) {
  try {
    SaveShutdownSettings(SettingsFileName(fileName), SessionOf(window), window.GetJob());
    return std::nullopt;
  } catch (const EKorvaneError &error) {
    return error.Message();
  } catch (const std::exception &error) {
    return std::string(error.what());
  }
}

void LoadJobFile(TSettingsAccess &window, const std::string &fileName) {
  JobSettings job = window.GetJob();
  LoadJobSettingsFile(fileName, job);
  window.SetJob(job);
  window.RefreshAfterJobLoad();
}

void SaveJobFile(TSettingsAccess &window, const std::string &fileName) {
  SaveJobSettingsFile(fileName, window.GetJob());
}

std::optional<std::string> CurrentFolder() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
  return Utf8ToCp932(buffer.data());
}

void UseCurrentFolderIfEmpty(TSessionWindow &window) {
  if (!window.GetJob().FindFile.Folder.empty()) return;
  if (std::optional<std::string> folder = CurrentFolder()) window.SetTargetFolder(*folder);
}
