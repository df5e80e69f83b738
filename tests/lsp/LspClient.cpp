#include "lsp/LspClient.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "lsp/Uri.h"

namespace tarnel::test {

using nlohmann::json;

LspClient::LspClient() {
  ::signal(SIGPIPE, SIG_IGN);
  int toServer[2], fromServer[2];
  if (::pipe(toServer) != 0 || ::pipe(fromServer) != 0) throw std::runtime_error("pipe");
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(toServer[0], 0);
    ::dup2(fromServer[1], 1);
    ::close(toServer[1]);
    ::close(fromServer[0]);
    ::execl(TARNEL_LSP_EXE, "tarnel-lsp", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(toServer[0]);
  ::close(fromServer[1]);
  in_ = toServer[1];
  out_ = fromServer[0];
  const int fd = out_;
  reader_ = std::make_unique<MessageReader>(
      [fd](char* buffer, std::size_t capacity) -> std::size_t {
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, 20000) <= 0) return 0;  // a server that hangs fails the test
        const ssize_t got = ::read(fd, buffer, capacity);
        return got > 0 ? static_cast<std::size_t>(got) : 0;
      },
      std::size_t{1} << 30);
}

LspClient::~LspClient() {
  if (pid_ > 0) Finish();
}

void LspClient::SendRaw(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(in_, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return;
    done += static_cast<std::size_t>(wrote);
  }
}

void LspClient::Send(const json& message) { SendRaw(FrameMessage(message.dump())); }

void LspClient::Notify(const std::string& method, json params) {
  Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

json LspClient::Next() {
  MessageReader::Result result = reader_->Next();
  if (result.Status != MessageReader::Status::Message) return json();
  return json::parse(result.Body);
}

json LspClient::Request(const std::string& method, json params) {
  const int id = nextId_++;
  Send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}});
  for (;;) {
    json message = Next();
    if (message.is_null()) return message;
    if (message.contains("id") && message["id"] == id && !message.contains("method")) {
      return message;
    }
    Notifications.push_back(std::move(message));
  }
}

int LspClient::Finish() {
  if (in_ >= 0) ::close(in_);
  in_ = -1;
  int status = 0;
  for (int waited = 0; waited < 200; ++waited) {
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      ::close(out_);
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
  ::close(out_);
  return -1;
}

std::string FileUri(const std::string& path) { return PathToFileUri(path); }

}  // namespace tarnel::test
