#pragma once

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

namespace tarnel {

// tarnel-xref: analyses a project and writes its report, tree dump and JSON export without a
// window. args excludes the program name; programDir (ending in "/") holds the default resv.dic.
// Returns the exit status: 0 done, 1 a failure (its text on err), 2 bad options (usage on err).
// processEndsAfter: the caller exits right after the run, so the analysis is left for the system
// to reclaim instead of freed record by record, which takes tens of milliseconds on a large
// project.
int RunBatchTool(const std::vector<std::string>& args, const std::string& programDir,
                 std::ostream& out, std::FILE* err, bool errIsTerminal,
                 bool processEndsAfter = false);

extern const char* const kBatchToolUsage;

}  // namespace tarnel
