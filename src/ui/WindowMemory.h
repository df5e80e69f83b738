#pragma once

#include <QFont>
#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "session/RecentProjects.h"
#include "session/WindowLayout.h"

class QAction;
class QEvent;
class QMenu;

namespace tarnel {

class TDspForm;
class TMainForm;

// What the main window remembers between runs in tarnel.ini: its place, size and maximised
// state, the two splitter positions, the list columns, the source window's font, the projects
// opened last (File > Recent) and the folder of each file dialog. Read when the windows are
// made, written when the main window closes.
class TWindowMemory : public QObject {
  Q_OBJECT

 public:
  // settingsFile: engine path of tarnel.ini. source may be null (no font to remember).
  TWindowMemory(TMainForm& main, TDspForm* source, std::string settingsFile);
  ~TWindowMemory() override;

  // Writes [Window] and [Recent]; a failure goes to the error box.
  void Save();
  // The window's state as Save would write it.
  WindowLayout CurrentLayout() const;

  const RecentProjects& Recent() const { return recent_; }
  QMenu* RecentMenu() const { return recentMenu_; }
  // Opens the recent project at index: a project that is gone is offered for removal.
  void OpenRecent(std::size_t index);

  // The usable areas of the screens; tests replace it to stand for other monitors.
  std::function<std::vector<ScreenRect>()> Screens;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Restore();
  bool Place();
  void FillRecentMenu();

  TMainForm& main_;
  TDspForm* source_;
  std::string settingsFile_;
  WindowLayout layout_;
  RecentProjects recent_;
  QMenu* recentMenu_ = nullptr;
};

// A font as [Window] SourceFont keeps it ("face,pt,10.5" or "face,px,13"), and back; an empty or
// malformed text gives false.
std::string FontSetting(const QFont& font);
bool FontFromSetting(const std::string& setting, QFont& font);

}  // namespace tarnel
