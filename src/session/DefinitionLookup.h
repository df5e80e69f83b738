#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "analysis/AnalysisContext.h"

namespace tarnel {

// A name in a line of source and the name before it when the two are joined by "." ("Module1" in
// "Module1.Bump"). Engine text.
struct NameInLine {
  std::string Qualifier;
  std::string Name;
};

// The name at byte offset at of line, or the one that ends right there; empty when there is none.
// Names are runs of letters, digits, "_" and other characters: double-byte ones of code page 932
// when cp932 is set, otherwise the line is UTF-8.
NameInLine NameAt(std::string_view line, std::size_t at, bool cp932 = true);

// The procedure that a name in the body of shown stands for, at a physical line of its module.
// After a precise analysis, the callee that the analysis resolved for that name on that line;
// otherwise the procedure that the call marking finds for the name: the first whose full name
// equals "Qualifier.Name", else the first of that name (or of the qualified text, which none
// has). nullptr when there is none.
const TPassRec* FindDefinition(const AnalysisContext& ctx, const TPassRec& shown, int line,
                               const NameInLine& name);

}  // namespace tarnel
