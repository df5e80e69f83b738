#pragma once

#include "analysis/PreciseModel.h"
#include "analysis/SymbolList.h"
#include "platform/TextFile.h"
#include "reports/ByteSink.h"

namespace tarnel {

// {"symbols": [...]}: one object per record in the order the analysis recorded them (whether or
// not a tree has put the list in key order since), texts in UTF-8. After a precise analysis
// (precise not null) the top level adds "Reading" and every procedure-like record its call sites
// and marks. textIsUtf8: the records hold UTF-8 already, not code page 932.
void WriteSymbolsJson(ByteSink& sink, const SymbolList& symbols,
                      const PreciseModel* precise = nullptr, bool textIsUtf8 = false);

// The same into a file, which replaces the old one only once written whole. Throws
// FileCreateError / FileWriteError.
void WriteSymbolsJsonFile(const WritePath& fileName, const SymbolList& symbols,
                          const PreciseModel* precise, bool textIsUtf8);

}  // namespace tarnel
