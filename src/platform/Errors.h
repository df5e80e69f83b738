#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tarnel {

// A failure that ends the user action in progress. what() is UTF-8 text ready for the error box;
// the fixed texts are the ones the run-time library of the original program showed.
class TarnelError : public std::runtime_error {
 public:
  explicit TarnelError(const std::string& message) : std::runtime_error(message) {}
};

// Paths passed to these constructors are engine text (code page 932); they are converted for the
// message.
class FileOpenError : public TarnelError {
 public:
  explicit FileOpenError(std::string_view path);  // "ﾌｧｲﾙ %s は開けません"
};

class FileNotFoundError : public TarnelError {
 public:
  FileNotFoundError();  // "ﾌｧｲﾙが見つかりません"
};

class FileCreateError : public TarnelError {
 public:
  explicit FileCreateError(std::string_view path);  // "ﾌｧｲﾙ %s を作成できません"
};

class FileWriteError : public TarnelError {
 public:
  explicit FileWriteError(std::string_view path);  // "%s に書き込めません"
};

class ListIndexError : public TarnelError {
 public:
  ListIndexError();  // "ﾘｽﾄのｲﾝﾃﾞｯｸｽが範囲を超えています"
};

}  // namespace tarnel
