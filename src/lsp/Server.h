#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include "lsp/MessageReader.h"

namespace tarnel {

class Workspace;

// The language server's answers: one message in, its response and notifications out, in order.
// Knows the protocol; what the answers hold comes from the Workspace.
class Server {
 public:
  using Send = std::function<void(const std::string& body)>;
  // dictionary: the reserved-word file the analyses load.
  Server(Send send, std::string dictionary);
  ~Server();

  void Handle(std::string_view body);
  // A frame that the reader could not take.
  void HandleBadFrame(MessageReader::Status status);

  // Called by the reading side with each message as it arrives, before Handle: a cancellation
  // is noted at once, so that a request still waiting is answered with RequestCancelled.
  void NoteIfCancel(std::string_view body);

  bool Exited() const { return exited_; }
  // 0 after shutdown then exit, 1 after an exit without shutdown.
  int ExitStatus() const { return shutdown_ ? 0 : 1; }

  // The longest message taken.
  static constexpr std::size_t kMessageLimit = 64u << 20;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  bool exited_ = false;
  bool shutdown_ = false;
  std::mutex cancelMutex_;
  std::set<std::string> cancelled_;  // ids as JSON text
  friend struct ServerAccess;
};

}  // namespace tarnel
