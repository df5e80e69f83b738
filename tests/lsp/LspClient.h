#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "lsp/MessageReader.h"

namespace tarnel::test {

// tarnel-lsp started on pipes, spoken to as an editor does.
class LspClient {
 public:
  LspClient();
  ~LspClient();

  void SendRaw(const std::string& bytes);
  void Send(const nlohmann::json& message);
  void Notify(const std::string& method, nlohmann::json params);
  // Sends a request and returns its response; notifications met on the way are kept.
  nlohmann::json Request(const std::string& method, nlohmann::json params);
  // The next message from the server; a null json when none came in time or the output ended.
  nlohmann::json Next();
  // Closes the server's input and returns its exit status (-1 when it had to be killed).
  int Finish();

  std::vector<nlohmann::json> Notifications;

 private:
  int pid_ = -1;
  int in_ = -1;   // the server's standard input
  int out_ = -1;  // its standard output
  int nextId_ = 1;
  std::unique_ptr<MessageReader> reader_;
};

std::string FileUri(const std::string& path);

}  // namespace tarnel::test
