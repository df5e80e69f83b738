#pragma once

#include <QWidget>
#include <string>

class QTextBrowser;

namespace tarnel {

// The help viewer over "xref.hlp": an HTML file with one anchor "contextN" per help context.
class THelpWindow : public QWidget {
  Q_OBJECT

 public:
  explicit THelpWindow(QWidget* parent = nullptr);

  // The help file (engine path). It is read again at every request, so edits show at once.
  void SetHelpFile(const std::string& enginePath) { helpFile_ = enginePath; }
  const std::string& HelpFile() const { return helpFile_; }

  // The contents: the first topic. Throws FileOpenError when the file cannot be read.
  void ShowContents() { ShowContext(1); }
  // The topic of a help context; an unknown context shows the first topic.
  void ShowContext(int context);
  // The anchor the window shows last ("context1" ...).
  const QString& CurrentAnchor() const { return anchor_; }

  QTextBrowser* Browser;

 private:
  std::string helpFile_;
  QString anchor_;
};

}  // namespace tarnel
