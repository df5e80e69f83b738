// Times path resolution at scale through the whole analysis: a module reference of 200,000 ".."
// segments, one of 5 MB of "/", and 20,000 modules named in another letter case than on disk.
// Each case runs in a child process of its own, so that its peak memory is its own.
// usage: tarnel-bench-paths [FOLDER]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "analysis/Analysis.h"
#include "platform/Paths.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

long PeakRssKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Peak memory growth of the analysis of a one-line project: what any analysis needs.
long ownNeedsKiB = 0;

// Analyses project in a child process and prints the time, the growth of peak memory and, past
// what any analysis needs, its ratio to inputBytes. Returns the growth in KiB.
long Measure(const char* label, const std::string& project, std::size_t inputBytes) {
  std::fflush(stdout);
  int channel[2];
  if (pipe(channel) != 0) return 0;
  pid_t child = fork();
  if (child == 0) {
    const long baseline = PeakRssKiB();
    tarnel::SilentHost host;
    tarnel::AnalysisContext ctx(host);
    ctx.Options.Workers = 1;
    const Clock::time_point start = Clock::now();
    tarnel::AnalyzeProject(ctx, tarnel::NativeToEngine(project));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const long grown = PeakRssKiB() - baseline;
    const double beyond = static_cast<double>(grown - ownNeedsKiB) * 1024.0;
    std::printf("%-46s %7.3f s %7.1f MB peak growth, %5.2f x input beyond %.1f MB (%d records)\n",
                label, seconds, static_cast<double>(grown) / 1024.0,
                beyond / static_cast<double>(inputBytes), static_cast<double>(ownNeedsKiB) / 1024.0,
                ctx.Result.SymbolList.Count());
    std::fflush(stdout);
    if (write(channel[1], &grown, sizeof grown) != sizeof grown) _exit(1);
    _exit(0);
  }
  close(channel[1]);
  long grown = 0;
  if (read(channel[0], &grown, sizeof grown) != sizeof grown) grown = 0;
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return grown;
}

const std::string kModule =
    "Attribute VB_Name = \"M\"\r\nSub Main()\r\n  Helper\r\nEnd Sub\r\nSub Helper()\r\nEnd Sub\r\n";

}  // namespace

int main(int argc, char** argv) {
  const fs::path root = fs::absolute(argc > 1 ? argv[1] : "/tmp/tarnel-bench-paths");
  fs::remove_all(root);
  WriteFile(root / "a/b/M.bas", kModule);
  std::string line;
  const std::string moduleFromRoot = (root / "a/b/M.bas").string().substr(1);

  line = "Module=M; M.bas";
  WriteFile(root / "a/b/Small.vbp", line + "\r\n");
  ownNeedsKiB = Measure("one short reference", (root / "a/b/Small.vbp").string(), line.size());

  std::string up;
  for (int i = 0; i < 200000; ++i) up += "..\\";
  line = "Module=M; " + up + moduleFromRoot;
  WriteFile(root / "a/b/Dots.vbp", line + "\r\n");
  Measure("200,000 \"..\" segments (600 KB line)", (root / "a/b/Dots.vbp").string(), line.size());

  line = "Module=M; " + std::string(5 << 20, '/') + "M.bas";
  WriteFile(root / "a/b/Slashes.vbp", line + "\r\n");
  Measure("5 MB of \"/\"", (root / "a/b/Slashes.vbp").string(), line.size());

  std::string project, exactProject;
  for (int i = 0; i < 20000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Mod%05d", i);
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    WriteFile(
        root / "many" / (std::string(name) + ".bas"),
        "Attribute VB_Name = \"" + std::string(name) + "\"\r\nSub P" + name + "()\r\nEnd Sub\r\n");
    project += "Module=" + std::string(name) + "; " + upper + ".BAS\r\n";
    exactProject += "Module=" + std::string(name) + "; " + name + ".bas\r\n";
  }
  WriteFile(root / "many/Many.vbp", project);
  WriteFile(root / "many/Exact.vbp", exactProject);
  Measure("20,000 modules named exactly as on disk", (root / "many/Exact.vbp").string(),
          exactProject.size());
  Measure("20,000 modules named in another letter case", (root / "many/Many.vbp").string(),
          project.size());
  fs::remove_all(root);
  return 0;
}
