#include "ui/session/SessionTexts.h"

std::string_view DialogTitle(TFolderRole role) {
  return role == TFolderRole::Target ? "対象フォルダ選択" : "コピー先フォルダ選択";
}

std::string_view DialogTitle(TFileRole role) {
  return role == TFileRole::Log ? "ログファイル選択" : "設定ファイル選択";
}

std::string UnrepresentablePathMessage(std::string_view shownPath) {
  std::string message(shownPath);
  message += " には Shift-JIS で表せない文字が含まれているため使えません";
  return message;
}
