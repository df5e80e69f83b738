#pragma once

#include <ostream>

#include "analysis/SymbolList.h"

namespace tarnel {

// {"symbols": [...]}: one object per record in list order, texts in UTF-8.
void WriteSymbolsJson(std::ostream& out, const SymbolList& symbols);

}  // namespace tarnel
