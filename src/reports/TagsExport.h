#pragma once

#include <filesystem>

#include "reports/ByteSink.h"
#include "reports/ExportGraph.h"

namespace tarnel {

// A tags file in the extended format that Vi, Vim, Emacs and readtags read: sorted by name, one
// entry per procedure, addressed by line number, with kind:, line:, class: or module:, access: and
// (for a Private procedure) file: fields. Files are relative to tagsFolder, the tags file's own
// folder (absolute). A name or file that a tags line cannot hold (a tab or a line end) gets no
// entry.
void WriteTags(ByteSink& sink, const ExportGraph& graph, const std::filesystem::path& tagsFolder);

}  // namespace tarnel
