#pragma once

#include <ostream>

#include "analysis/PreciseModel.h"
#include "analysis/SymbolList.h"

namespace tarnel {

// {"symbols": [...]}: one object per record in the order the analysis recorded them (whether or
// not a tree has put the list in key order since), texts in UTF-8. After a precise analysis
// (precise not null) the top level adds "Reading" and every procedure-like record its call sites
// and marks. textIsUtf8: the records hold UTF-8 already, not code page 932.
void WriteSymbolsJson(std::ostream& out, const SymbolList& symbols,
                      const PreciseModel* precise = nullptr, bool textIsUtf8 = false);

}  // namespace tarnel
