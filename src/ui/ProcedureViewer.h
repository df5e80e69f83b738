#pragma once

#include <string>
#include <vector>

#include "analysis/Symbol.h"

namespace tarnel {

// The source display window as the result views see it: shows proc's lines with every whole-word
// markName marked. proc stays valid until the next project is opened.
class ProcedureViewer {
 public:
  virtual ~ProcedureViewer() = default;
  virtual void ShowProcedure(const TPassRec& proc, const std::string& markName) = 0;
  // Highlights the shown lines at these physical line numbers of the file (call sites).
  virtual void MarkLines(const std::vector<int>& lines) { (void)lines; }
  // Brings the shown line at this physical line number of the file into view.
  virtual void ScrollToLine(int line) { (void)line; }
};

}  // namespace tarnel
