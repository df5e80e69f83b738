#include "lsp/Server.h"

#include <algorithm>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "analysis/Symbol.h"
#include "lsp/JsonText.h"
#include "lsp/SourceLines.h"
#include "lsp/Uri.h"
#include "lsp/Workspace.h"

namespace tarnel {

using nlohmann::json;

namespace {

// The protocol's error codes.
enum ErrorCode {
  ParseError = -32700,
  InvalidRequest = -32600,
  MethodNotFound = -32601,
  InvalidParams = -32602,
  InternalError = -32603,
  ServerNotInitialized = -32002,
  RequestCancelled = -32800,
};

struct RequestError : std::runtime_error {
  RequestError(int code, const std::string& text) : std::runtime_error(text), Code(code) {}
  int Code;
};

std::string Text(const json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

// The protocol's structures, their members in the order of their names (see JsonText).
void WritePosition(JsonText& out, const SourcePosition& position) {
  out.BeginObject().Key("character").Int(position.Column).Key("line").Int(position.Line);
  out.EndObject();
}
void WriteRange(JsonText& out, const SourceRange& range) {
  out.BeginObject().Key("end");
  WritePosition(out, range.End);
  out.Key("start");
  WritePosition(out, range.Start);
  out.EndObject();
}
void WriteLocation(JsonText& out, std::string_view uri, const SourceRange& range) {
  out.BeginObject().Key("range");
  WriteRange(out, range);
  out.Key("uri").String(uri).EndObject();
}

// The file URIs of an answer's places, each made once for a run of places in one file: callers
// and call sites come file by file.
class FileUris {
 public:
  const std::string& Of(const std::string& path) {
    if (uri_.empty() || path != path_) {
      path_ = path;
      uri_ = PathToFileUri(path);
    }
    return uri_;
  }

 private:
  std::string path_, uri_;
};

// The protocol's symbol kinds.
int SymbolKindOf(std::uint8_t kind) {
  switch (kind) {
    case KindPropertyGet:
    case KindPropertyLet:
    case KindPropertySet:
      return 7;  // Property
    case KindEvent:
      return 24;  // Event
    default:
      return 12;  // Function
  }
}

std::string PathOf(const json& params) {
  const std::string uri = params.at("textDocument").at("uri").get<std::string>();
  std::optional<std::string> path = FileUriToPath(uri);
  if (!path) throw RequestError(InvalidParams, "not a file URI: " + uri);
  return CanonicalPath(*path);
}

// text after an editor's changes, in order: each replaces a range of the text before it, or the
// whole text when it gives no range.
std::string WithChanges(std::string text, const json& changes) {
  for (const json& change : changes) {
    const std::string& replacement = change.at("text").get_ref<const std::string&>();
    if (!change.contains("range")) {
      text = replacement;
      continue;
    }
    const auto offset = [&](const json& position) {
      return TextOffset(text, position.at("line").get<int>(), position.at("character").get<int>());
    };
    std::size_t start = offset(change["range"].at("start"));
    std::size_t end = offset(change["range"].at("end"));
    if (end < start) std::swap(start, end);
    text.replace(start, end - start, replacement);
  }
  return text;
}

SourcePosition PositionOf(const json& params) {
  const json& position = params.at("position");
  return {position.at("line").get<int>(), position.at("character").get<int>()};
}

}  // namespace

struct Server::Impl {
  Server& Owner;
  Send Out;
  std::string Dictionary;
  std::unique_ptr<Workspace> Space;
  bool Initialized = false;
  bool WatchRegistration = false;
  // What a diagnostic says: where, of which procedure, and whether it is never reached or never
  // called; its JSON is made from these alone.
  struct SentMark {
    SourceRange Where;
    std::string Name;
    bool Unreachable = false;
  };
  // The message being answered. Its storage is kept from answer to answer: in fresh memory, each
  // page of a large answer cost a fault.
  JsonText Answering;
  static constexpr std::size_t kAnswerRoomKept = 16u << 20;
  // The diagnostics last sent, by document URI.
  std::unordered_map<std::string, std::vector<SentMark>> Published;

  static bool SameMarks(const std::vector<UnusedMark>& marks, const std::vector<SentMark>& sent) {
    return std::equal(marks.begin(), marks.end(), sent.begin(), sent.end(),
                      [](const UnusedMark& mark, const SentMark& was) {
                        return mark.Unreachable == was.Unreachable &&
                               mark.Procedure.SelectionRange == was.Where &&
                               mark.Procedure.Name == was.Name;
                      });
  }

  void Notify(const std::string& method, const json& params) { NotifyText(method, Text(params)); }
  // The same with params as JSON text.
  void NotifyText(std::string_view method, std::string_view params) {
    JsonText message;
    message.BeginObject().Key("jsonrpc").String("2.0").Key("method").String(method);
    message.Key("params").Raw(params).EndObject();
    Out(message.Text());
  }
  // Answers a request with the result that writeResult writes straight into the message.
  void Reply(const json& id, const std::function<void(JsonText&)>& writeResult) {
    Answering.Clear();
    Answering.BeginObject().Key("id").Raw(Text(id)).Key("jsonrpc").String("2.0").Key("result");
    writeResult(Answering);
    Out(Answering.EndObject().Text());
    // An answer of megabytes leaves its room to the next one, up to a bound.
    Answering.Clear(kAnswerRoomKept);
  }
  // The same with the result as JSON text.
  void Reply(const json& id, std::string_view result) {
    Reply(id, [&](JsonText& out) { out.Raw(result); });
  }
  void ReplyError(const json& id, int code, const std::string& message) {
    Out(Text({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}}));
  }

  void ForwardMessages() {
    if (!Space) return;
    for (const std::string& message : Space->TakeMessages()) {
      Notify("window/logMessage", {{"type", 2}, {"message", message}});
    }
  }

  // A call hierarchy item.
  static void WriteItem(JsonText& out, const ProcedureItem& item, std::string_view uri) {
    out.BeginObject().Key("data").BeginObject().Key("key").String(item.Key);
    out.Key("project").Int(item.Project).EndObject();
    out.Key("detail").String(item.Module).Key("kind").Int(SymbolKindOf(item.Kind));
    out.Key("name").String(item.Name).Key("range");
    WriteRange(out, item.Range);
    out.Key("selectionRange");
    WriteRange(out, item.SelectionRange);
    out.Key("uri").String(uri).EndObject();
  }

  // The procedure a call hierarchy item stands for: by its key when the analysis still has it
  // under the same name, else by its place.
  std::optional<ProcedureItem> FromItem(const json& item) const {
    const std::string name = item.at("name").get<std::string>();
    if (item.contains("data") && item["data"].is_object()) {
      const json& data = item["data"];
      std::optional<ProcedureItem> found =
          Space->Find(data.value("project", -1), data.value("key", std::string()));
      if (found && found->Name == name) return found;
    }
    std::optional<std::string> path = FileUriToPath(item.at("uri").get<std::string>());
    if (!path) return std::nullopt;
    const json& start = item.at("selectionRange").at("start");
    for (const ProcedureItem& candidate : Space->ProceduresIn(CanonicalPath(*path))) {
      if (candidate.Range.Start.Line <= start.at("line").get<int>() &&
          start.at("line").get<int>() <= candidate.Range.End.Line && candidate.Name == name) {
        return candidate;
      }
    }
    return std::nullopt;
  }

  // Sends the diagnostics of every module whose diagnostics changed since they were last sent,
  // and empty ones for a module that no project lists any more. After an edit that the workspace
  // brought up to date module by module, only the modules it names are looked at; the rest keep
  // what was sent. Otherwise every module's marks are compared as they stand, and only a changed
  // module's are made into JSON, which for every module of a project of a thousand modules took
  // longer than the edit's analysis.
  void PublishDiagnostics() {
    // What was sent for uri, taken out to be compared with its marks now.
    const auto sentBefore = [&](const std::string& uri) {
      auto sent = Published.find(uri);
      std::optional<std::vector<SentMark>> was;
      if (sent != Published.end()) was = std::move(sent->second);
      return was;
    };
    if (std::optional<std::vector<std::string>> changed = Space->TakeMarkChanges()) {
      ForEachModulesMarks(*changed, [&](std::string uri, const std::vector<UnusedMark>& marks) {
        std::vector<SentMark> now = Publish(uri, marks, sentBefore(uri));
        Published[uri] = std::move(now);
      });
      return;
    }
    std::unordered_map<std::string, std::vector<SentMark>> current;
    ForEachModulesMarks(Space->ModuleFiles(),
                        [&](std::string uri, const std::vector<UnusedMark>& marks) {
                          std::vector<SentMark> now = Publish(uri, marks, sentBefore(uri));
                          current.emplace(std::move(uri), std::move(now));
                        });
    std::vector<std::string> gone;
    for (const auto& [uri, sent] : Published) {
      if (current.count(uri) == 0) gone.push_back(uri);
    }
    std::sort(gone.begin(), gone.end());
    for (const std::string& uri : gone) {
      Notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", json::array()}});
    }
    Published = std::move(current);
  }

  // Gives each module's URI and marks to take, in the order of paths. The marks are asked for a
  // few dozen modules at a time, so that their files are read several at once without the text
  // of the whole project in memory.
  template <class Take>
  void ForEachModulesMarks(const std::vector<std::string>& paths, Take take) {
    constexpr std::size_t kModulesAtOnce = 64;
    for (std::size_t first = 0; first < paths.size(); first += kModulesAtOnce) {
      const auto some = std::span<const std::string>(paths).subspan(
          first, std::min(kModulesAtOnce, paths.size() - first));
      const std::vector<const std::vector<UnusedMark>*> marks = Space->UnusedIn(some);
      for (std::size_t i = 0; i < some.size(); ++i) take(PathToFileUri(some[i]), *marks[i]);
    }
  }

  // Sends a module's diagnostics unless they say what was sent already (nullopt: nothing was);
  // gives what they say.
  std::vector<SentMark> Publish(const std::string& uri, const std::vector<UnusedMark>& marks,
                                std::optional<std::vector<SentMark>> sent) {
    if (sent && SameMarks(marks, *sent)) return std::move(*sent);
    JsonText params;
    params.BeginObject().Key("diagnostics").BeginArray();
    std::vector<SentMark> now;
    for (const UnusedMark& mark : marks) {
      params.BeginObject().Key("message");
      params.String(mark.Unreachable ? mark.Procedure.Name + " is never reached from an entry point"
                                     : mark.Procedure.Name + " is never called");
      params.Key("range");
      WriteRange(params, mark.Procedure.SelectionRange);
      params.Key("severity").Int(4).Key("source").String("tarnel");
      params.Key("tags").BeginArray().Int(1).EndArray().EndObject();
      now.push_back({mark.Procedure.SelectionRange, mark.Procedure.Name, mark.Unreachable});
    }
    params.EndArray().Key("uri").String(uri).EndObject();
    // Sent at once: held for every module of a large project, the JSON took more memory than
    // the project's analysis.
    NotifyText("textDocument/publishDiagnostics", params.Text());
    return now;
  }

  // Brings the analyses up to date after a file changed, and what the editor shows with them.
  void Changed(const std::vector<std::string>& paths) {
    if (Space->Reanalyse(paths)) PublishDiagnostics();
    ForwardMessages();
  }

  json Initialize(const json& params) {
    Workspace::Options options;
    options.Dictionary = Dictionary;
    std::vector<std::string> warnings;
    if (params.contains("initializationOptions") && params["initializationOptions"].is_object()) {
      const json& init = params["initializationOptions"];
      if (init.contains("reading")) {
        const std::string reading =
            init["reading"].is_string() ? init["reading"].get<std::string>() : "";
        if (reading == "classic" || reading == "Classic") {
          options.Reading = ReadingKind::Classic;
        } else if (reading != "precise" && reading != "Precise") {
          warnings.push_back("reading takes \"precise\" or \"classic\"; using precise");
        }
      }
      if (init.contains("encoding")) {
        std::optional<SourceEncoding> encoding;
        if (init["encoding"].is_string())
          encoding = ParseSourceEncoding(init["encoding"].get<std::string>());
        if (encoding) {
          options.Encoding = *encoding;
        } else {
          warnings.push_back("encoding takes 932, 1252, UTF-8 or Auto; using Auto");
        }
      }
    }
    std::vector<std::string> folders;
    if (params.contains("workspaceFolders") && params["workspaceFolders"].is_array()) {
      for (const json& folder : params["workspaceFolders"]) {
        if (!folder.is_object() || !folder.contains("uri") || !folder["uri"].is_string()) continue;
        if (auto path = FileUriToPath(folder["uri"].get<std::string>())) folders.push_back(*path);
      }
    }
    if (folders.empty() && params.contains("rootUri") && params["rootUri"].is_string()) {
      if (auto path = FileUriToPath(params["rootUri"].get<std::string>())) folders.push_back(*path);
    }
    if (folders.empty() && params.contains("rootPath") && params["rootPath"].is_string()) {
      folders.push_back(params["rootPath"].get<std::string>());
    }
    const json* watch = nullptr;
    if (params.contains("capabilities") && params["capabilities"].is_object()) {
      const json& caps = params["capabilities"];
      if (caps.contains("workspace") && caps["workspace"].is_object() &&
          caps["workspace"].contains("didChangeWatchedFiles")) {
        watch = &caps["workspace"]["didChangeWatchedFiles"];
      }
    }
    WatchRegistration = watch && watch->is_object() && watch->value("dynamicRegistration", false);

    Space = std::make_unique<Workspace>(options);
    Space->AddFolders(folders);
    for (const std::string& warning : warnings) {
      Notify("window/showMessage", {{"type", 2}, {"message", "tarnel-lsp: " + warning}});
    }
    ForwardMessages();
    Initialized = true;
    return {{"capabilities",
             {{"positionEncoding", "utf-16"},
              {"textDocumentSync",
               {{"openClose", true}, {"change", 2}, {"save", {{"includeText", false}}}}},
              {"documentSymbolProvider", true},
              {"workspaceSymbolProvider", true},
              {"definitionProvider", true},
              {"referencesProvider", true},
              {"callHierarchyProvider", true},
              {"hoverProvider", true}}},
            {"serverInfo", {{"name", "tarnel-lsp"}, {"version", TARNEL_VERSION}}}};
  }

  // Writes the result of a request to out.
  void Request(const std::string& method, const json& params, JsonText& out) {
    if (method == "textDocument/documentSymbol") {
      out.BeginArray();
      for (const ProcedureItem& item : Space->ProceduresIn(PathOf(params))) {
        out.BeginObject().Key("detail").String(item.Declaration);
        out.Key("kind").Int(SymbolKindOf(item.Kind)).Key("name").String(item.Name).Key("range");
        WriteRange(out, item.Range);
        out.Key("selectionRange");
        WriteRange(out, item.SelectionRange);
        out.EndObject();
      }
      out.EndArray();
      return;
    }
    if (method == "workspace/symbol") {
      out.BeginArray();
      for (const ProcedureItem& item : Space->Search(params.at("query").get<std::string>(), 256)) {
        out.BeginObject().Key("containerName").String(item.Module);
        out.Key("kind").Int(SymbolKindOf(item.Kind)).Key("location");
        WriteLocation(out, PathToFileUri(item.Path), item.SelectionRange);
        out.Key("name").String(item.Name).EndObject();
      }
      out.EndArray();
      return;
    }
    if (method == "textDocument/definition") {
      out.BeginArray();
      for (const ProcedureItem& item : Space->DefinitionAt(PathOf(params), PositionOf(params))) {
        WriteLocation(out, PathToFileUri(item.Path), item.SelectionRange);
      }
      out.EndArray();
      return;
    }
    if (method == "textDocument/references") {
      bool withDeclaration = false;
      if (params.contains("context") && params["context"].is_object()) {
        withDeclaration = params["context"].value("includeDeclaration", false);
      }
      out.BeginArray();
      FileUris uris;
      for (const ProcedureItem& item : Space->ProceduresAt(PathOf(params), PositionOf(params))) {
        if (withDeclaration) WriteLocation(out, uris.Of(item.Path), item.SelectionRange);
        for (const SourceLocation& call : Space->CallsOf(item)) {
          WriteLocation(out, uris.Of(call.Path), call.Range);
        }
      }
      out.EndArray();
      return;
    }
    if (method == "textDocument/prepareCallHierarchy") {
      out.BeginArray();
      for (const ProcedureItem& item : Space->ProceduresAt(PathOf(params), PositionOf(params))) {
        WriteItem(out, item, PathToFileUri(item.Path));
      }
      out.EndArray();
      return;
    }
    if (method == "callHierarchy/incomingCalls" || method == "callHierarchy/outgoingCalls") {
      const bool incoming = method == "callHierarchy/incomingCalls";
      std::optional<ProcedureItem> procedure = FromItem(params.at("item"));
      out.BeginArray();
      if (!procedure) {
        out.EndArray();
        return;
      }
      FileUris uris;
      for (const CallItem& call :
           incoming ? Space->Incoming(*procedure) : Space->Outgoing(*procedure)) {
        out.BeginObject();
        const std::string& uri = uris.Of(call.Procedure.Path);
        if (incoming) WriteItem(out.Key("from"), call.Procedure, uri);
        out.Key("fromRanges").BeginArray();
        for (const SourceRange& range : call.FromRanges) WriteRange(out, range);
        out.EndArray();
        if (!incoming) WriteItem(out.Key("to"), call.Procedure, uri);
        out.EndObject();
      }
      out.EndArray();
      return;
    }
    if (method == "textDocument/hover") {
      const std::string path = PathOf(params);
      std::vector<ProcedureItem> items = Space->DefinitionAt(path, PositionOf(params));
      if (items.empty()) {
        out.Raw("null");
        return;
      }
      std::string value;
      for (const ProcedureItem& item : items) {
        if (!value.empty()) value += "\n---\n";
        value += "```vb\n" + item.Declaration + "\n```\n" + item.Module + " · " +
                 std::to_string(item.Callers) + (item.Callers == 1 ? " caller" : " callers") +
                 " · " + std::to_string(item.Callees) +
                 (item.Callees == 1 ? " callee" : " callees");
      }
      out.BeginObject().Key("contents").BeginObject().Key("kind").String("markdown");
      out.Key("value").String(value).EndObject().EndObject();
      return;
    }
    throw RequestError(MethodNotFound, "method not found: " + method);
  }

  void Notification(const std::string& method, const json& params) {
    if (method == "initialized") {
      if (WatchRegistration) {
        Out(Text({{"jsonrpc", "2.0"},
                  {"id", "tarnel-watch"},
                  {"method", "client/registerCapability"},
                  {"params",
                   {{"registrations",
                     {{{"id", "tarnel-watch"},
                       {"method", "workspace/didChangeWatchedFiles"},
                       {"registerOptions",
                        {{"watchers",
                          {{{"globPattern", "**/*.{vbp,bas,cls,frm,ctl,pag,dsr,dob}"}}}}}}}}}}}}));
      }
      PublishDiagnostics();
      return;
    }
    if (!Initialized) return;
    if (method == "textDocument/didOpen" || method == "textDocument/didChange") {
      const std::string path = PathOf(params);
      std::string text;
      if (method == "textDocument/didOpen") {
        text = params.at("textDocument").at("text").get<std::string>();
      } else {
        const json& changes = params.at("contentChanges");
        if (!changes.is_array() || changes.empty()) return;
        text = WithChanges(Space->TextOf(path), changes);
      }
      if (Space->SetOpenText(path, std::move(text))) Changed({path});
      return;
    }
    if (method == "textDocument/didClose") {
      const std::string path = PathOf(params);
      if (Space->SetOpenText(path, std::nullopt)) Changed({path});
      return;
    }
    if (method == "textDocument/didSave") {
      const std::string path = PathOf(params);
      if (params.contains("text") && params["text"].is_string()) {
        Space->SetOpenText(path, params["text"].get<std::string>());
      }
      Changed({path});
      return;
    }
    if (method == "workspace/didChangeWatchedFiles") {
      std::vector<std::string> paths;
      for (const json& change : params.at("changes")) {
        if (auto path = FileUriToPath(change.at("uri").get<std::string>())) {
          paths.push_back(CanonicalPath(*path));
        }
      }
      Changed(paths);
      return;
    }
  }
};

Server::Server(Send send, std::string dictionary)
    : impl_(std::make_unique<Impl>(
          Impl{*this, std::move(send), std::move(dictionary), nullptr, false, false, {}, {}})) {}
Server::~Server() = default;

void Server::NoteIfCancel(std::string_view body) {
  // Cheap refusal first: most messages are no cancellation.
  if (body.find("$/cancelRequest") == std::string_view::npos) return;
  json message = json::parse(body, nullptr, false);
  if (!message.is_object() || message.value("method", json()) != "$/cancelRequest") return;
  if (!message.contains("params") || !message["params"].is_object() ||
      !message["params"].contains("id")) {
    return;
  }
  std::lock_guard lock(cancelMutex_);
  if (cancelled_.size() > 4096) cancelled_.clear();  // ids of requests answered long ago
  cancelled_.insert(Text(message["params"]["id"]));
}

void Server::HandleBadFrame(MessageReader::Status status) {
  if (status == MessageReader::Status::TooLarge) {
    impl_->ReplyError(nullptr, InvalidRequest,
                      "message refused: longer than " + std::to_string(kMessageLimit) + " bytes");
  } else if (status == MessageReader::Status::BadHeader) {
    impl_->ReplyError(nullptr, ParseError, "message header without a valid Content-Length");
  }
}

void Server::Handle(std::string_view body) {
  json message = json::parse(body, nullptr, false);
  if (message.is_discarded()) {
    impl_->ReplyError(nullptr, ParseError, "not JSON (or not UTF-8)");
    return;
  }
  if (!message.is_object()) {
    impl_->ReplyError(nullptr, InvalidRequest, "a message is a JSON object");
    return;
  }
  const bool hasId = message.contains("id");
  const json id = hasId ? message["id"] : json();
  if (hasId && !id.is_string() && !id.is_number_integer()) {
    impl_->ReplyError(nullptr, InvalidRequest, "an id is a number or a string");
    return;
  }
  if (!message.contains("method")) return;  // a client's answer to our request
  if (!message["method"].is_string()) {
    if (hasId) impl_->ReplyError(id, InvalidRequest, "method is not a string");
    return;
  }
  const std::string method = message["method"].get<std::string>();
  const json params = message.contains("params") && !message["params"].is_null() ? message["params"]
                                                                                 : json::object();

  if (!hasId) {
    if (method == "exit") {
      exited_ = true;
      return;
    }
    try {
      if (params.is_object()) impl_->Notification(method, params);
    } catch (const std::exception&) {
      // A notification has no answer to carry the fault; the server stays as it was.
    }
    return;
  }

  {
    std::lock_guard lock(cancelMutex_);
    if (cancelled_.erase(Text(id)) > 0) {
      impl_->ReplyError(id, RequestCancelled, "cancelled");
      return;
    }
  }
  if (shutdown_) {
    impl_->ReplyError(id, InvalidRequest, "the server is shut down");
    return;
  }
  if (method == "initialize") {
    if (impl_->Initialized) {
      impl_->ReplyError(id, InvalidRequest, "initialize was already received");
      return;
    }
  } else if (!impl_->Initialized) {
    impl_->ReplyError(id, ServerNotInitialized, "initialize first");
    return;
  }
  if (!params.is_object() && !params.is_array()) {
    impl_->ReplyError(id, InvalidParams, "params is an object or an array");
    return;
  }
  try {
    if (method == "initialize") {
      impl_->Reply(id, Text(impl_->Initialize(params)));
    } else if (method == "shutdown") {
      shutdown_ = true;
      impl_->Reply(id, "null");
    } else {
      impl_->Reply(id, [&](JsonText& out) { impl_->Request(method, params, out); });
    }
  } catch (const RequestError& e) {
    impl_->ReplyError(id, e.Code, e.what());
  } catch (const json::exception& e) {
    impl_->ReplyError(id, InvalidParams, e.what());
  } catch (const std::exception& e) {
    impl_->ReplyError(id, InternalError, e.what());
  }
}

}  // namespace tarnel
