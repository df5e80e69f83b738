#pragma once

#include <QWidget>

#include "analysis/AnalysisContext.h"
#include "ui/ProcedureViewer.h"

class QPlainTextEdit;

namespace tarnel {

// A read-only window with a procedure's lines, for builds without the source display window.
class PlainProcedureViewer : public QWidget, public ProcedureViewer {
  Q_OBJECT

 public:
  explicit PlainProcedureViewer(const AnalysisContext& ctx, QWidget* parent = nullptr);

  // Shows the lines of proc from its module's file; markName goes into the caption. Throws the
  // file errors of the text reader.
  void ShowProcedure(const TPassRec& proc, const std::string& markName) override;

  QPlainTextEdit* Text;

 private:
  const AnalysisContext& ctx_;
};

}  // namespace tarnel
