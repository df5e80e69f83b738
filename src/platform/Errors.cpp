#include "platform/Errors.h"

#include "platform/CodePage.h"

namespace tarnel {

namespace {

std::string Shown(std::string_view enginePath) { return Cp932ToUtf8(enginePath); }

}  // namespace

FileOpenError::FileOpenError(std::string_view path)
    : TarnelError("ﾌｧｲﾙ " + Shown(path) + " は開けません") {}

FileNotFoundError::FileNotFoundError() : TarnelError("ﾌｧｲﾙが見つかりません") {}

FileCreateError::FileCreateError(std::string_view path)
    : TarnelError("ﾌｧｲﾙ " + Shown(path) + " を作成できません") {}

FileWriteError::FileWriteError(std::string_view path)
    : TarnelError(Shown(path) + " に書き込めません") {}

ListIndexError::ListIndexError() : TarnelError("ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています") {}

}  // namespace tarnel
