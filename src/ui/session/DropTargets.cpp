#include "ui/session/DropTargets.h"

#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace {

constexpr std::string_view kDelimiters{&kPathDelimiter, 1};
constexpr char kExtensionAndDelimiter[] = {'.', kPathDelimiter};

// Adds the count to the message when it is not zero.
void AddPart(std::string &message, std::size_t count, std::string_view what) {
  if (count == 0) return;
  if (!message.empty()) message += "、";
  message += what;
  message += " ";
  message += std::to_string(count);
  message += " 個";
}

}  // namespace

std::string FolderPart(std::string_view path) {
  const std::size_t offset = LastDelimiterOffset(path, kDelimiters);
  if (offset == std::string_view::npos) return {};
  return std::string(path.substr(0, offset + 1));
}

std::string PathExtension(std::string_view path) {
  const std::size_t offset =
      LastDelimiterOffset(path, std::string_view(kExtensionAndDelimiter, 2));
  if (offset == std::string_view::npos || path[offset] != '.') return {};
  return std::string(path.substr(offset));
}

void AddExtensionToFilter(std::string &filter, std::string_view ext) {
  if (!ext.empty() && UpperCaseCp932(filter).find(UpperCaseCp932(ext)) != std::string::npos) {
    return;
  }
  if (!filter.empty()) filter += ';';
  filter += '*';
  filter += ext;
}

TTargetChoice ChooseTargets(const TPathList &paths, std::size_t maxPathBytes) {
  TTargetChoice choice;
  choice.Unrepresentable = paths.Unrepresentable;
  choice.Missing = paths.NotLocal;
  for (const std::string &path : paths.Paths) {
    if (path.size() > maxPathBytes) {
      ++choice.TooLong;
    } else if (FolderExists(path)) {
      ++choice.Used;
      choice.Folder = path;
    } else if (PathExists(path)) {
      ++choice.Used;
      choice.Folder = FolderPart(path);
      AddExtensionToFilter(choice.Filter, PathExtension(path));
    } else {
      ++choice.Missing;
    }
  }
  return choice;
}

std::string SkippedPathsMessage(const TTargetChoice &choice) {
  std::string message;
  AddPart(message, choice.TooLong, "長すぎるパス");
  AddPart(message, choice.Unrepresentable, "Shift-JIS で表せないパス");
  AddPart(message, choice.Missing, "見つからないパス");
  if (!message.empty()) message += " を無視しました";
  return message;
}

bool IsOnCopyFolderPanel(int y, int pageControlFileHeight, int panelMiscHeight) {
  return y > pageControlFileHeight && y < pageControlFileHeight + panelMiscHeight;
}

void ApplyDrop(const TTargetChoice &choice, bool onCopyFolderPanel, TTargetFields &fields) {
  if (choice.Used == 0) return;
  if (onCopyFolderPanel) {
    fields.SetCopyFolder(choice.Folder);
    return;
  }
  fields.ShowTargetPage();
  fields.SetTargetFolder(choice.Folder);
  fields.SetTargetFilter(choice.Filter);
}

TCommandLineResult ApplyCommandLine(const TPathList &arguments, TTargetFields &fields) {
  TCommandLineResult result;
  if (arguments.Empty()) return result;
  result.Applied = true;
  result.Choice = ChooseTargets(arguments, kNoPathLimit);
  fields.SetTargetFolder(result.Choice.Folder);
  // Files name their extensions.  Folders alone (a file manager's "open
  // with") keep the filter the window had, as an empty one would refuse
  // every run.
  if (!result.Choice.Filter.empty()) fields.SetTargetFilter(result.Choice.Filter);
  else if (fields.TargetFilter().empty()) fields.SetTargetFilter("*.*");
  return result;
}
