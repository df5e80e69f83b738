#pragma once

#include <string_view>

#include "analysis/ResultTree.h"
#include "reports/LineSink.h"

namespace tarnel {

// One line per node in tree order: as many tabs as its depth, then its caption.
void WriteTreeDumpLines(LineSink& sink, const ResultTree& tree);
// The same into a file, which replaces the old one only once written whole. Throws
// FileCreateError / FileWriteError.
void WriteTreeDump(const ResultTree& tree, const WritePath& fileName);

}  // namespace tarnel
