#include "core/JobSettingsFile.h"

#include <string_view>

#include "core/JobKeyVisit.h"
#include "core/JobKeys.h"
#include "core/ProfileValues.h"
#include "platform/Errors.h"

namespace {

using namespace korvane::jobkeys;

class TJobReader {
public:
  explicit TJobReader(const TIniFile &file) : file_(file) {}

  void Text(std::string_view section, std::string_view key, std::string &field) const {
    field = file_.ReadString(section, key, field);
  }
  void Caption(std::string_view section, std::string_view key, std::string &field) const {
    Text(section, key, field);
  }
  void Date(std::string_view section, std::string_view key, std::string &field) const {
    field = NormaliseDateText(file_.ReadString(section, key, field));
  }
  void Time(std::string_view section, std::string_view key, std::string &field) const {
    field = NormaliseTimeText(file_.ReadString(section, key, field));
  }
  void Flag(std::string_view section, std::string_view key, bool &field) const {
    // A job of the Windows program always copied into one folder: its copy
    // section, whole but without the tree key, means a flat copy, whatever
    // the window held before.  A file of a few keys (or one --set) changes
    // only what it names.
    const bool flatCopy = section == "Copy" && key == "KeepTree" && WholeCopySection();
    field = file_.ReadBool(section, key, flatCopy ? false : field);
  }
  void Integer(std::string_view section, std::string_view key, int &field,
               const TDomain &domain) const {
    field = domain.Apply(file_.ReadInteger(section, key, field));
  }

private:
  // Every key the Windows program wrote into the copy section is there.
  bool WholeCopySection() const {
    constexpr std::string_view kAbsent = "\x01";
    for (const char *key : {"Folder", "Delete", "Same", "OverWrite", "Alias"})
      if (file_.ReadString("Copy", key, kAbsent) == kAbsent) return false;
    return true;
  }

  const TIniFile &file_;
};

class TJobWriter {
public:
  explicit TJobWriter(TIniFile &file) : file_(file) {}

  void Text(std::string_view section, std::string_view key, const std::string &field) {
    file_.WriteString(section, key, field);
  }
  void Caption(std::string_view section, std::string_view key, const std::string &field) {
    file_.WriteString(section, key, field);
  }
  void Date(std::string_view section, std::string_view key, const std::string &field) {
    file_.WriteString(section, key, field);
  }
  void Time(std::string_view section, std::string_view key, const std::string &field) {
    file_.WriteString(section, key, field);
  }
  void Flag(std::string_view section, std::string_view key, bool field) {
    file_.WriteBool(section, key, field);
  }
  void Integer(std::string_view section, std::string_view key, int field, const TDomain &) {
    file_.WriteInteger(section, key, field);
  }

private:
  TIniFile &file_;
};

}  // namespace

ENoJobError::ENoJobError() : EInOutError("設定ファイルにジョブが見つかりません") {}

bool HoldsJob(const TIniFile &file) {
  std::string_view last;
  for (const TJobKey &key : JobKeys()) {
    if (key.Section == last) continue;
    if (file.HasSection(key.Section)) return true;
    last = key.Section;
  }
  return false;
}

void ReadJobSettings(const TIniFile &file, JobSettings &job) {
  VisitJobKeys(job, TJobReader(file));
}

void WriteJobSettings(TIniFile &file, const JobSettings &job) {
  VisitJobKeys(job, TJobWriter(file));
}

void LoadJobSettingsFile(const std::string &fileName, JobSettings &job) {
  const TIniFile file(fileName);
  // A file that is there but cannot be read is not an empty job: loading it
  // as one would run the defaults where the user asked for his own job.
  if (file.Unreadable()) throw EInOutError("ファイル " + fileName + " は開けません");
  if (!HoldsJob(file)) throw ENoJobError();
  ReadJobSettings(file, job);
}

void SaveJobSettingsFile(const std::string &fileName, const JobSettings &job) {
  TIniFile file(fileName);
  WriteJobSettings(file, job);
  file.UpdateFile();
}
