// The texts of the reasons a target fails.

#include "ops/FailReason.h"

#include <cerrno>
#include <cstring>

#include "platform/Cp932.h"
#include "platform/FileSystems.h"

TFailure FailureOf(int error) {
  switch (error) {
  case kErrorNameNotHeld: return {TFailReason::NameNotHeld};
  case kErrorNoAttributeStore: return {TFailReason::NoAttributeStore};
  case kErrorTimeNotStored: return {TFailReason::TimeNotStored};
  case kErrorReadOnly: return {TFailReason::ReadOnly};
  case kErrorSpecialFile: return {TFailReason::SpecialFile};
  case kErrorLinkAttributes: return {TFailReason::LinkAttributes};
  case kErrorDotNameHidden: return {TFailReason::DotNameHidden};
  case kErrorSourceChanged: return {TFailReason::SourceChanged};
  case kErrorAttributeNotHeld: return {TFailReason::AttributeNotHeld};
  case EEXIST: return {TFailReason::NameExists};
  case EISDIR: return {TFailReason::Folder};
  case ENOSPC:
  case EDQUOT: return {TFailReason::NoSpace};
  default: return {TFailReason::System, error};
  }
}

namespace {

// The operating system's answers a run meets, in the system's own words.
const char *SystemText(int error) {
  switch (error) {
  case EACCES:
  case EPERM: return "権限がありません";
  case EROFS: return "読込専用のファイルシステムです";
  case ENAMETOOLONG: return "名前が長すぎます";
  case ENOENT: return "対象が見つかりません";
  case EIO: return "入出力エラーです";
  case EMFILE:
  case ENFILE: return "開いているファイルが多すぎます";
  case EEXIST: return "同じ名前が既にあります";
  case ENOTEMPTY: return "フォルダが空ではありません";
  case EXDEV: return "別のファイルシステムへは移せません";
  case EISDIR: return "フォルダです";
  case ENOTDIR: return "フォルダではありません";
  case ELOOP: return "シンボリックリンクです";
  case EBUSY:
  case ETXTBSY: return "使用中です";
  case ENODEV:
  case ENXIO:
  case ENOTCONN: return "装置が切り離されています";
  case ESTALE: return "ネットワーク上のファイルが古くなっています";
  case EILSEQ: return "名前を変換できません";
  case ENOMEM: return "メモリが足りません";
  case EFBIG: return "ファイルが大きすぎます";
  case ETIMEDOUT: return "応答がありません";
  default: return nullptr;
  }
}

}  // namespace

std::string ReasonText(const TFailure &failure) {
  switch (failure.Reason) {
  case TFailReason::None: break;
  case TFailReason::NameExists: return "同じ名前が既にあります";
  case TFailReason::TakenByPlan:
  case TFailReason::OwnOutput: return "先の対象がその名前になります";
  case TFailReason::Unchanged: return "名前が変わりません";
  case TFailReason::InvalidName: return "名前が無効です";
  case TFailReason::KeepsExisting: return "既存のファイルを残します";
  case TFailReason::ReadOnly: return "読込専用です";
  case TFailReason::TimeUnconvertible: return "日時を日付に変換できません";
  case TFailReason::ReplaceFailed: return "文字列置換ができません";
  case TFailReason::OntoItself: return "コピー元と同じファイルです";
  case TFailReason::Folder: return "フォルダです";
  case TFailReason::ReadOnlyExisting: return "上書きするファイルが読込専用です";
  case TFailReason::CreationTime: return "作成日時はこのシステムでは変更できません";
  case TFailReason::DotNameHidden: return "'.'で始まる名前は隠し属性を外せません";
  case TFailReason::LinkAttributes: return "シンボリックリンクの属性は変更できません";
  case TFailReason::Missing: return "対象がありません";
  case TFailReason::NameNotHeld: return "このファイルシステムでは使えない名前です";
  case TFailReason::NoSpace: return "空き容量が足りません";
  case TFailReason::NoAttributeStore: return "このファイルシステムには属性を保存できません";
  case TFailReason::TimeNotStored: return "このファイルシステムにはその日時を保存できません";
  case TFailReason::SourceKept: return "元のファイルを削除できません";
  case TFailReason::SpecialFile: return "特殊なファイルです";
  case TFailReason::SourceChanged: return "コピー中に元のファイルが変更されました";
  case TFailReason::AttributeNotHeld: return "コピー先に保存できない属性があります";
  case TFailReason::NoShotTime: return "撮影日時がありません";
  case TFailReason::FieldMissing: return "ファイルに" + failure.Field + "がありません";
  case TFailReason::ShotTimeFallback: return "撮影日時がないため更新日時";
  case TFailReason::System: {
    if (const char *text = SystemText(failure.Error)) return text;
    // The system's own text, as the terminal's language gives it.
    const std::string described = Utf8ToCp932Lossy(std::strerror(failure.Error));
    return "エラー " + std::to_string(failure.Error) + " (" + described + ")";
  }
  }
  return {};
}
