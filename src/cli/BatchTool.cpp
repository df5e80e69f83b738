#include "cli/BatchTool.h"

#include <memory>
#include <optional>

#include "cli/CliHost.h"
#include "platform/Errors.h"
#include "platform/Paths.h"
#include "platform/SourceText.h"
#include "reports/UnusedList.h"
#include "session/ProjectSession.h"

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
  ReportOptions Report;
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

template <typename Choice>
Choice Letter(const std::string& option, const std::string& value, std::optional<Choice> parsed,
              std::string_view allowed) {
  if (!parsed) {
    throw UsageError(option + " takes one of " + std::string(allowed) + ", not \"" + value + "\"");
  }
  return *parsed;
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
      const std::string text = value();
      options.Report.Form = Letter(arg, text, ParseReportForm(text), kFormLetters);
    } else if (arg == "--direction") {
      const std::string text = value();
      options.Report.Direction = Letter(arg, text, ParseReportDirection(text), kDirectionLetters);
    } else if (arg == "--style") {
      const std::string text = value();
      options.Report.Style = Letter(arg, text, ParseReportStyle(text), kStyleLetters);
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
  return options;
}

// What standard output is called in the messages about it.
constexpr const char* kStandardOutput = "standard output";

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
void RefuseInputsAsOutputs(const ProjectSession& session, const Outputs& outputs) {
  for (const std::optional<WritePath>* output :
       {&outputs.Report, &outputs.TreeDump, &outputs.Json, &outputs.Dot, &outputs.Edges,
        &outputs.Tags, &outputs.Sarif, &outputs.Unused}) {
    if (*output && session.IsInput((*output)->Native())) {
      throw FileCreateError((*output)->Engine());
    }
  }
}

void WriteReport(const Options& options, const std::optional<WritePath>& output,
                 const ProjectSession& session, std::ostream& out) {
  std::unique_ptr<FileLineSink> file;
  std::unique_ptr<StreamLineSink> stream;
  LineSink* sink;
  if (output) {
    file = std::make_unique<FileLineSink>(*output);
    sink = file.get();
  } else {
    stream = std::make_unique<StreamLineSink>(out, kStandardOutput);
    sink = stream.get();
  }
  Utf8LineSink utf8(*sink);
  ArrowsToUtf8Sink arrows(*sink);
  LineSink& target = session.TextIsUtf8() ? arrows : options.Utf8 ? utf8 : *sink;
  session.WriteReport(target, options.Report);
  if (file) file->Close();
  out.flush();
  if (!out) throw FileWriteError(kStandardOutput);
}

std::vector<ExportJob> ExportJobs(const Options& options, const Outputs& outputs) {
  std::vector<ExportJob> jobs;
  if (outputs.Dot) {
    jobs.push_back(
        {options.DotLevel == 'm' ? ExportFormat::ModuleGraphDot : ExportFormat::CallGraphDot,
         *outputs.Dot});
  }
  if (outputs.Edges) jobs.push_back({ExportFormat::EdgesJsonLines, *outputs.Edges});
  if (outputs.Tags) jobs.push_back({ExportFormat::Tags, *outputs.Tags});
  if (outputs.Sarif) jobs.push_back({ExportFormat::Sarif, *outputs.Sarif});
  return jobs;
}

// The unused list, in the report's code page.
void WriteUnused(const Options& options, const Outputs& outputs, const ProjectSession& session) {
  if (!outputs.Unused) return;
  FileLineSink file(*outputs.Unused);
  Utf8LineSink utf8(file);
  LineSink& target = !session.TextIsUtf8() && options.Utf8 ? static_cast<LineSink&>(utf8) : file;
  WriteUnusedList(target, session.UnusedProcedures(), WantsCsv(*options.Unused));
  file.Close();
}

}  // namespace

namespace {
// The session of a run whose process ends right after it. Still reachable from here, so leak
// checkers do not count it; its host is gone and it is never used again.
ProjectSession* gSessionLeftForExit = nullptr;
}  // namespace

int RunBatchTool(const std::vector<std::string>& args, const std::string& programDir,
                 std::ostream& out, std::FILE* err, bool errIsTerminal, bool processEndsAfter) {
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

  try {
    CliHost host(err, errIsTerminal);
    auto owned = std::make_unique<ProjectSession>(host, NativeToEngine(programDir), std::string());
    ProjectSession& session = *owned;
    session.UseReading(options.Precise ? ReadingKind::Precise : ReadingKind::Classic);
    session.UseEncoding(options.Encoding);
    session.IndexNames(false);
    // Like the window, a missing default dictionary is reported and the analysis goes on with
    // none; a dictionary named on the command line must be there.
    try {
      if (options.Resv) {
        session.LoadDictionary(NativeToEngine(*options.Resv));
      } else {
        session.LoadDictionary();
      }
    } catch (const TarnelError& e) {
      if (options.Resv) throw;
      std::fprintf(err, "%s\n", e.what());
    }

    const Outputs outputs = OutputsOf(options);
    session.OpenProject(NativeToEngine(options.Project));
    RefuseInputsAsOutputs(session, outputs);
    if (outputs.Json) session.ExportJson(*outputs.Json);
    if (outputs.TreeDump) session.ExportTreeDump(*outputs.TreeDump);
    session.Export(ExportJobs(options, outputs));
    WriteUnused(options, outputs, session);
    WriteReport(options, outputs.Report, session, out);
    if (processEndsAfter) gSessionLeftForExit = owned.release();
  } catch (const std::exception& e) {
    // The designed errors and whatever else ends the run, such as memory running out.
    std::fprintf(err, "%s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace tarnel
