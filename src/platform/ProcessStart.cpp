#include "platform/ProcessStart.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

#include "platform/CodePage.h"
#include "platform/Paths.h"

namespace tarnel {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The native file to execute for the program word, or nullopt.
std::optional<std::string> FindProgram(const std::string& program) {
  if (program.empty()) return std::nullopt;
  if (LastSeparator(program) != std::string::npos) {
    std::optional<std::string> native = ResolvePath(program);
    if (native && ::access(native->c_str(), X_OK) == 0) return native;
    return std::nullopt;
  }
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::string name = EngineToNative(program);
  std::size_t pos = 0;
  while (pos <= dirs.size()) {
    std::size_t end = dirs.find(':', pos);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(pos, end - pos);
    if (dir.empty()) dir = ".";
    std::string candidate = dir + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    pos = end + 1;
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  const std::size_t n = line.size();
  while (i < n && IsBlank(line[i])) ++i;
  if (i >= n) return words;

  // The program name knows no backslash escapes: quotes only switch blanks off.
  std::string program;
  bool quoted = false;
  for (; i < n; ++i) {
    char c = line[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (IsBlank(c) && !quoted) {
      break;
    } else {
      program += c;
    }
  }
  words.push_back(program);

  for (;;) {
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n) break;
    std::string word;
    quoted = false;
    while (i < n && (quoted || !IsBlank(line[i]))) {
      if (line[i] == '\\') {
        std::size_t slashes = 0;
        while (i < n && line[i] == '\\') {
          ++slashes;
          ++i;
        }
        if (i < n && line[i] == '"') {
          word.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            word += '"';
            ++i;
          }
        } else {
          word.append(slashes, '\\');
        }
      } else if (line[i] == '"') {
        if (quoted && i + 1 < n && line[i + 1] == '"') {
          word += '"';  // a doubled quote inside a group
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        word += line[i++];
      }
    }
    words.push_back(word);
  }
  return words;
}

bool StartProcess(std::string_view commandLine) {
  std::vector<std::string> words = SplitCommandLine(commandLine);
  if (words.empty()) return false;
  std::optional<std::string> program = FindProgram(words[0]);
  if (!program) return false;

  // Everything the child needs is prepared before fork: after it only exec and _exit run.
  std::vector<std::string> args;
  args.reserve(words.size());
  for (const std::string& word : words) args.push_back(Cp932ToUtf8(word));
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // The grandchild reports a failed exec through a pipe that closes itself on success.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  if (child == 0) {
    // A second fork leaves the program to init, so that it never becomes our zombie.
    ::close(fds[0]);
    pid_t grandchild = ::fork();
    if (grandchild == 0) {
      ::setsid();
      ::execv(program->c_str(), argv.data());
      int error = errno;
      ssize_t ignored = ::write(fds[1], &error, sizeof error);
      (void)ignored;
      ::_exit(127);
    }
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  ::close(fds[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  while ((got = ::read(fds[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(fds[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

}  // namespace tarnel
