#pragma once

#include <ostream>

#include "analysis/SymbolList.h"

namespace tarnel {

// {"symbols": [...]}: one object per record in the order the analysis recorded them (whether or
// not a tree has put the list in key order since), texts in UTF-8.
void WriteSymbolsJson(std::ostream& out, const SymbolList& symbols);

}  // namespace tarnel
