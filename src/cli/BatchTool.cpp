#include "cli/BatchTool.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <streambuf>

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

// What standard output is called in the messages about it.
constexpr const char* kStandardOutput = "standard output";

// Report lines on standard output. A stream that failed stops the report there: the rest of a
// report that cannot be written is not worth computing.
class StreamLineSink : public LineSink {
 public:
  explicit StreamLineSink(std::ostream& out) : out_(out) {}
  void WriteLine(std::string_view line) override {
    out_.write(line.data(), static_cast<std::streamsize>(line.size()));
    out_.write("\r\n", 2);
    if (out_.bad()) throw FileWriteError(kStandardOutput);
  }

 private:
  std::ostream& out_;
};

// A stream buffer that hands everything to a file writer.
class WriterBuffer : public std::streambuf {
 public:
  explicit WriterBuffer(TextWriter& writer) : writer_(writer) {}

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    writer_.Write(std::string_view(s, static_cast<std::size_t>(n)));
    return n;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    char ch = traits_type::to_char_type(c);
    writer_.Write(std::string_view(&ch, 1));
    return c;
  }

 private:
  TextWriter& writer_;
};

void WriteJson(const WritePath& path, const AnalysisResult& result) {
  TextWriter writer(path);
  WriterBuffer buffer(writer);
  std::ostream stream(&buffer);
  WriteSymbolsJson(stream, result.SymbolList, result.Precise.get(), !result.Decoder.KeepsBytes());
  if (!stream) throw FileWriteError(path.Engine());  // the writer's failure, caught by the stream
  writer.Close();
}

// The files to write, each exactly as named.
struct Outputs {
  std::optional<WritePath> Report, TreeDump, Json, Dot, Edges, Tags, Sarif, Unused;
};

Outputs OutputsOf(const Options& options) {
  Outputs outputs;
  if (options.Output) outputs.Report = WritePath::FromNative(*options.Output);
  if (options.TreeDump) outputs.TreeDump = WritePath::FromNative(*options.TreeDump);
  if (options.Json) outputs.Json = WritePath::FromNative(*options.Json);
  if (options.Dot) outputs.Dot = WritePath::FromNative(*options.Dot);
  if (options.Edges) outputs.Edges = WritePath::FromNative(*options.Edges);
  if (options.Tags) outputs.Tags = WritePath::FromNative(*options.Tags);
  if (options.Sarif) outputs.Sarif = WritePath::FromNative(*options.Sarif);
  if (options.Unused) outputs.Unused = WritePath::FromNative(*options.Unused);
  return outputs;
}

// Refuses, before anything is written, an output that would replace a file the analysis read.
void RefuseInputsAsOutputs(const AnalysisContext& ctx, const Outputs& outputs) {
  for (const std::optional<WritePath>* output :
       {&outputs.Report, &outputs.TreeDump, &outputs.Json, &outputs.Dot, &outputs.Edges,
        &outputs.Tags, &outputs.Sarif, &outputs.Unused}) {
    if (*output && IsAnalysisInput(ctx, (*output)->Native())) {
      throw FileCreateError((*output)->Engine());
    }
  }
}

void WriteReport(const Options& options, const std::optional<WritePath>& output,
                 const ResultTree& tree, const SymbolList& symbols, const std::string& caption,
                 std::ostream& out) {
  std::unique_ptr<FileLineSink> file;
  std::unique_ptr<StreamLineSink> stream;
  LineSink* sink;
  if (output) {
    file = std::make_unique<FileLineSink>(*output);
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
  if (!out) throw FileWriteError(kStandardOutput);
}

void WriteExports(const Options& options, const Outputs& outputs, const ResultTree& tree,
                  const AnalysisResult& result, const std::string& project) {
  if (!outputs.Dot && !outputs.Edges && !outputs.Tags && !outputs.Sarif) return;
  const SymbolList& symbols = result.SymbolList;
  std::optional<PreciseCallSites> sites;
  if (result.Precise) sites.emplace(*result.Precise);
  const ExportGraph graph = ExportGraph::Build(tree, symbols, project, sites ? &*sites : nullptr);
  if (outputs.Dot) {
    WriteExportFile(
        options.DotLevel == 'm' ? ExportFormat::ModuleGraphDot : ExportFormat::CallGraphDot, graph,
        *outputs.Dot);
  }
  if (outputs.Edges) WriteExportFile(ExportFormat::EdgesJsonLines, graph, *outputs.Edges);
  if (outputs.Tags) WriteExportFile(ExportFormat::Tags, graph, *outputs.Tags);
  if (outputs.Sarif && result.Precise) {
    WriteExportFile(ExportFormat::Sarif, graph, *outputs.Sarif,
                    FindingsOf(CollectUnused(symbols, *result.Precise)));
  }
}

// The unused list, in the report's code page.
void WriteUnused(const Options& options, const Outputs& outputs, const AnalysisResult& result) {
  if (!outputs.Unused || !result.Precise) return;
  FileLineSink file(*outputs.Unused);
  Utf8LineSink utf8(file);
  LineSink& target = options.Encoding == SourceEncoding::Cp932 && options.Utf8
                         ? static_cast<LineSink&>(utf8)
                         : file;
  WriteUnusedList(target, CollectUnused(result.SymbolList, *result.Precise),
                  WantsCsv(*options.Unused));
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
    out << kBatchToolUsage << std::flush;
    if (out) return 0;
    std::fprintf(err, "%s\n", FileWriteError(kStandardOutput).what());
    return 1;
  }

  CliHost host(err, errIsTerminal);
  AnalysisContext ctx(host);
  ctx.Options.Reading = options.Precise ? ReadingKind::Precise : ReadingKind::Classic;
  ctx.Options.Encoding = options.Encoding;
  try {
    // Like the window, a missing default dictionary is reported and the analysis goes on with
    // none; a dictionary named on the command line must be there.
    std::string dictionary =
        options.Resv ? NativeToEngine(*options.Resv) : NativeToEngine(programDir) + "resv.dic";
    try {
      LoadReservedWords(ctx.Options, dictionary);
    } catch (const TarnelError& e) {
      if (options.Resv) throw;
      std::fprintf(err, "%s\n", e.what());
    }

    const std::string project = NativeToEngine(options.Project);
    const Outputs outputs = OutputsOf(options);
    AnalyzeProject(ctx, project);
    RefuseInputsAsOutputs(ctx, outputs);
    if (outputs.Json) WriteJson(*outputs.Json, ctx.Result);
    ResultTree tree = ResultTree::Build(ctx.Result.SymbolList);
    if (outputs.TreeDump) WriteTreeDump(tree, *outputs.TreeDump);
    WriteExports(options, outputs, tree, ctx.Result, project);
    WriteUnused(options, outputs, ctx.Result);
    WriteReport(options, outputs.Report, tree, ctx.Result.SymbolList,
                options.Encoding == SourceEncoding::Cp932 ? project : Cp932ToUtf8(project), out);
  } catch (const std::exception& e) {
    // The designed errors and whatever else ends the run, such as memory running out.
    std::fprintf(err, "%s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace tarnel
