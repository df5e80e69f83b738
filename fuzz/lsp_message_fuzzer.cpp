// The language server's input: Content-Length framing read in chunks of varying size, then every
// message handed to the server after an initialize on an empty folder. Every answer must be a
// JSON-RPC object, every body within the limit, and nothing may crash.
#include <algorithm>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "FuzzSupport.h"
#include "lsp/MessageReader.h"
#include "lsp/Server.h"
#include "lsp/Uri.h"

namespace {

using nlohmann::json;

const std::string& EmptyFolder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/tarnel-lsp-fuzz-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    return std::string(made ? made : "/nonexistent-tarnel-fuzz");
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  constexpr std::size_t kLimit = 4096;
  const std::size_t chunk = 1 + data[0] % 64;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::size_t offset = 0;
  tarnel::MessageReader reader(
      [&](char* buffer, std::size_t capacity) {
        const std::size_t take = std::min({capacity, chunk, bytes.size() - offset});
        std::copy_n(bytes.data() + offset, take, buffer);
        offset += take;
        return take;
      },
      kLimit);

  tarnel::Server server(
      [](const std::string& body) {
        const json answer = json::parse(body, nullptr, false);
        FUZZ_CHECK(answer.is_object() && answer.value("jsonrpc", "") == "2.0");
      },
      "");
  const json init = {{"jsonrpc", "2.0"},
                     {"id", 0},
                     {"method", "initialize"},
                     {"params", {{"rootUri", tarnel::PathToFileUri(EmptyFolder())}}}};
  server.Handle(init.dump());
  for (int messages = 0; messages < 64; ++messages) {
    tarnel::MessageReader::Result result = reader.Next();
    using Status = tarnel::MessageReader::Status;
    if (result.Status == Status::End || result.Status == Status::Truncated) break;
    FUZZ_CHECK(result.Body.size() <= kLimit);
    if (result.Status != Status::Message) {
      server.HandleBadFrame(result.Status);
      continue;
    }
    server.NoteIfCancel(result.Body);
    server.Handle(result.Body);
    if (server.Exited()) break;
  }
  FUZZ_CHECK(offset <= bytes.size());
  return 0;
}
