#pragma once

#include <string>

#include "analysis/AnalysisContext.h"

namespace tarnel {

// True when nativePath names, by device and inode, a file that the analysis of ctx read: the
// project file, one of its module files or the dictionary. Such a file is never to be written over.
bool IsAnalysisInput(const AnalysisContext& ctx, const std::string& nativePath);

}  // namespace tarnel
