#include "cli/BatchTool.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>

#include "analysis/Analysis.h"
#include "analysis/ResultTree.h"
#include "cli/CliHost.h"
#include "cli/JsonExport.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/SourceText.h"
#include "reports/Exports.h"
#include "reports/ReportWriter.h"
#include "reports/TreeDump.h"
#include "reports/UnusedList.h"

namespace tarnel {

const char* const kBatchToolUsage =
    "usage: tarnel-xref [options] PROJECT.vbp\n"
    "Analyses a Visual Basic 4.0 project and writes its cross-reference report.\n"
    "  --form F|C           fixed columns (F, default) or comma-separated (C)\n"
    "  --direction I|Y|B|N  callees, callers, both (default) or labels only\n"
    "  --style S|D          kind word and name (S, default) or the declaration line (D)\n"
    "  --output FILE        write the report to FILE instead of standard output\n"
    "  --tree-dump FILE     also write the tab-indented tree to FILE\n"
    "  --json FILE          also write every symbol record as JSON to FILE\n"
    "  --dot FILE           also write the call graph in Graphviz DOT to FILE\n"
    "  --dot-level LEVEL    procedure (default): procedures in module clusters; module: the\n"
    "                       module dependency graph, edges weighted by the number of calls\n"
    "  --edges FILE         also write every call edge as JSON Lines to FILE\n"
    "  --tags FILE          also write a tags file for editors to FILE\n"
    "  --sarif FILE         unused and unreachable procedures as SARIF (needs --precise)\n"
    "  --unused FILE        unused, unreachable and maybe-called-by-name procedures, one per\n"
    "                       line, CSV when FILE ends in .csv (needs --precise)\n"
    "  --resv FILE          reserved words (default: resv.dic beside the program)\n"
    "  --utf8               write the report in UTF-8 instead of code page 932\n"
    "  --precise            read the code as the VB5/VB6 compiler does (classic: the default)\n"
    "  --encoding E         module files in 932 (default), 1252, UTF-8 or Auto; any but 932\n"
    "                       writes the report and tree dump in UTF-8\n"
    "  --help               show this text\n";

namespace {

struct Options {
  char Form = 'F';
  char Direction = 'B';
  char Style = 'S';
  std::optional<std::string> Output, TreeDump, Json, Resv;
  std::optional<std::string> Dot, Edges, Tags, Sarif, Unused;
  char DotLevel = 0;
  bool Utf8 = false;
  bool Help = false;
  bool Precise = false;
  SourceEncoding Encoding = SourceEncoding::Cp932;
  std::string Project;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

char Letter(const std::string& option, const std::string& value, std::string_view allowed) {
  if (value.size() != 1 || allowed.find(value[0]) == std::string_view::npos) {
    throw UsageError(option + " takes one of " + std::string(allowed) + ", not \"" + value + "\"");
  }
  return value[0];
}

Options Parse(const std::vector<std::string>& args) {
  Options options;
  bool projectSeen = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> inlineValue;
    if (arg.rfind("--", 0) == 0) {
      std::size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        inlineValue = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
      }
    }
    auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") {
      options.Help = true;
    } else if (arg == "--utf8") {
      options.Utf8 = true;
    } else if (arg == "--precise") {
      options.Precise = true;
    } else if (arg == "--encoding") {
      const std::string name = value();
      std::optional<SourceEncoding> encoding = ParseSourceEncoding(name);
      if (!encoding) {
        throw UsageError("--encoding takes one of 932, 1252, UTF-8, Auto, not \"" + name + "\"");
      }
      options.Encoding = *encoding;
    } else if (arg == "--form") {
      options.Form = Letter(arg, value(), "FC");
    } else if (arg == "--direction") {
      options.Direction = Letter(arg, value(), "IYBN");
    } else if (arg == "--style") {
      options.Style = Letter(arg, value(), "SD");
    } else if (arg == "--output") {
      options.Output = value();
    } else if (arg == "--tree-dump") {
      options.TreeDump = value();
    } else if (arg == "--json") {
      options.Json = value();
    } else if (arg == "--dot") {
      options.Dot = value();
    } else if (arg == "--dot-level") {
      const std::string level = value();
      if (level != "procedure" && level != "module") {
        throw UsageError(arg + " takes procedure or module, not \"" + level + "\"");
      }
      options.DotLevel = level[0];
    } else if (arg == "--edges") {
      options.Edges = value();
    } else if (arg == "--tags") {
      options.Tags = value();
    } else if (arg == "--sarif") {
      options.Sarif = value();
    } else if (arg == "--unused") {
      options.Unused = value();
    } else if (arg == "--resv") {
      options.Resv = value();
    } else if (arg.size() > 1 && arg[0] == '-') {
      throw UsageError("unknown option " + arg);
    } else if (projectSeen) {
      throw UsageError("only one project file, please");
    } else {
      options.Project = arg;
      projectSeen = true;
    }
  }
  if (!projectSeen && !options.Help) throw UsageError("no project file given");
  if (options.DotLevel != 0 && !options.Dot) throw UsageError("--dot-level needs --dot");
  // Unused and unreachable procedures are known to the precise reading only, once it marks them.
  if (options.Sarif && !options.Precise) throw UsageError("--sarif needs --precise");
  if (options.Unused && !options.Precise) throw UsageError("--unused needs --precise");
  // The exports decode code page 932 text; other encodings give the records UTF-8 already.
  if ((options.Dot || options.Edges || options.Tags) && options.Encoding != SourceEncoding::Cp932) {
    throw UsageError("--dot, --edges and --tags need --encoding 932");
  }
  if (options.Sarif && options.Encoding != SourceEncoding::Cp932) {
    throw UsageError("--sarif needs --encoding 932");
  }
  return options;
}

// Report lines converted to UTF-8 on their way to another sink.
class Utf8LineSink : public LineSink {
 public:
  explicit Utf8LineSink(LineSink& target) : target_(target) {}
  void WriteLine(std::string_view line) override { target_.WriteLine(Cp932ToUtf8(line)); }

 private:
  LineSink& target_;
};

// Report lines whose record texts are UTF-8 already: only the arrows, code page 932 in the
// report writer, are converted. Walking the line character by character tells them apart: in
// UTF-8 the arrow's first byte, 0x81, can only continue a character, never start one.
class ArrowsToUtf8Sink : public LineSink {
 public:
  explicit ArrowsToUtf8Sink(LineSink& target) : target_(target) {}
  void WriteLine(std::string_view line) override {
    line_.clear();
    for (std::size_t i = 0; i < line.size();) {
      const auto c = static_cast<unsigned char>(line[i]);
      if (c == 0x81 && i + 1 < line.size() && (line[i + 1] == '\xa8' || line[i + 1] == '\xa9')) {
        line_ += line[i + 1] == '\xa8' ? "\u2192" : "\u2190";
        i += 2;
        continue;
      }
      std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      length = std::min(length, line.size() - i);
      line_.append(line.substr(i, length));
      i += length;
    }
    target_.WriteLine(line_);
  }

 private:
  LineSink& target_;
  std::string line_;
};

class StreamLineSink : public LineSink {
 public:
  explicit StreamLineSink(std::ostream& out) : out_(out) {}
  void WriteLine(std::string_view line) override {
    out_.write(line.data(), static_cast<std::streamsize>(line.size()));
    out_.write("\r\n", 2);
  }

 private:
  std::ostream& out_;
};

void WriteJson(const std::string& nativePath, const AnalysisContext& ctx) {
  std::ofstream file(nativePath, std::ios::binary | std::ios::trunc);
  if (!file) throw FileCreateError(NativeToEngine(nativePath));
  WriteSymbolsJson(file, ctx.SymbolList, ctx.Precise.get(), !ctx.Decoder.KeepsBytes());
  file.close();
  if (!file) throw FileWriteError(NativeToEngine(nativePath));
}

void WriteReport(const Options& options, const ResultTree& tree, const SymbolList& symbols,
                 const std::string& caption, std::ostream& out) {
  std::unique_ptr<FileLineSink> file;
  std::unique_ptr<StreamLineSink> stream;
  LineSink* sink;
  if (options.Output) {
    file = std::make_unique<FileLineSink>(NativeToEngine(*options.Output));
    sink = file.get();
  } else {
    stream = std::make_unique<StreamLineSink>(out);
    sink = stream.get();
  }
  Utf8LineSink utf8(*sink);
  ArrowsToUtf8Sink arrows(*sink);
  // With any encoding but 932 the records already hold UTF-8.
  LineSink& target = options.Encoding != SourceEncoding::Cp932 ? arrows
                     : options.Utf8                            ? utf8
                                                               : *sink;
  WriteXrefLines(target, tree, symbols, caption, options.Form, options.Direction, options.Style);
  if (file) file->Close();
  out.flush();
}

void WriteExports(const Options& options, const ResultTree& tree, const AnalysisContext& ctx,
                  const std::string& project) {
  if (!options.Dot && !options.Edges && !options.Tags && !options.Sarif) return;
  const SymbolList& symbols = ctx.SymbolList;
  std::optional<PreciseCallSites> sites;
  if (ctx.Precise) sites.emplace(*ctx.Precise);
  const ExportGraph graph = ExportGraph::Build(tree, symbols, project, sites ? &*sites : nullptr);
  if (options.Dot) {
    WriteExportFile(
        options.DotLevel == 'm' ? ExportFormat::ModuleGraphDot : ExportFormat::CallGraphDot, graph,
        NativeToEngine(*options.Dot));
  }
  if (options.Edges) {
    WriteExportFile(ExportFormat::EdgesJsonLines, graph, NativeToEngine(*options.Edges));
  }
  if (options.Tags) WriteExportFile(ExportFormat::Tags, graph, NativeToEngine(*options.Tags));
  if (options.Sarif && ctx.Precise) {
    WriteExportFile(ExportFormat::Sarif, graph, NativeToEngine(*options.Sarif),
                    FindingsOf(CollectUnused(symbols, *ctx.Precise)));
  }
}

// The unused list, in the report's code page.
void WriteUnused(const Options& options, const AnalysisContext& ctx) {
  if (!options.Unused || !ctx.Precise) return;
  FileLineSink file(NativeToEngine(*options.Unused));
  Utf8LineSink utf8(file);
  LineSink& target = options.Encoding == SourceEncoding::Cp932 && options.Utf8
                         ? static_cast<LineSink&>(utf8)
                         : file;
  WriteUnusedList(target, CollectUnused(ctx.SymbolList, *ctx.Precise), WantsCsv(*options.Unused));
  file.Close();
}

}  // namespace

int RunBatchTool(const std::vector<std::string>& args, const std::string& programDir,
                 std::ostream& out, std::FILE* err, bool errIsTerminal) {
  Options options;
  try {
    options = Parse(args);
  } catch (const UsageError& e) {
    std::fprintf(err, "tarnel-xref: %s\n%s", e.what(), kBatchToolUsage);
    return 2;
  }
  if (options.Help) {
    out << kBatchToolUsage;
    return 0;
  }

  CliHost host(err, errIsTerminal);
  AnalysisContext ctx(host);
  ctx.Reading = options.Precise ? ReadingKind::Precise : ReadingKind::Classic;
  ctx.Decoder.SetSetting(options.Encoding);
  try {
    // Like the window, a missing default dictionary is reported and the analysis goes on with
    // none; a dictionary named on the command line must be there.
    std::string dictionary =
        options.Resv ? NativeToEngine(*options.Resv) : NativeToEngine(programDir) + "resv.dic";
    try {
      LoadReservedWords(ctx, dictionary);
    } catch (const TarnelError& e) {
      if (options.Resv) throw;
      std::fprintf(err, "%s\n", e.what());
    }

    const std::string project = NativeToEngine(options.Project);
    AnalyzeProject(ctx, project);
    if (options.Json) WriteJson(*options.Json, ctx);
    ResultTree tree = ResultTree::Build(ctx.SymbolList);
    if (options.TreeDump) WriteTreeDump(tree, NativeToEngine(*options.TreeDump));
    WriteExports(options, tree, ctx, project);
    WriteUnused(options, ctx);
    WriteReport(options, tree, ctx.SymbolList,
                options.Encoding == SourceEncoding::Cp932 ? project : Cp932ToUtf8(project), out);
  } catch (const TarnelError& e) {
    std::fprintf(err, "%s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace tarnel
