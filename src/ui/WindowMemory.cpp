#include "ui/WindowMemory.h"

#include <QAction>
#include <QEvent>
#include <QFont>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QTreeView>
#include <cmath>

#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "ui/Cp932Text.h"
#include "ui/DspForm.h"
#include "ui/FileDialog.h"
#include "ui/ListSplit.h"
#include "ui/MainForm.h"
#include "ui/UserPrompts.h"

namespace tarnel {

namespace {

// Designed client width, for the tree's width when no remembered geometry applies.
constexpr int kDesignedWidth = 543;
// What the tree leaves at least to the lists.
constexpr int kListsMinimum = 40;

std::vector<int> ColumnWidths(const QTreeView* list) {
  std::vector<int> widths;
  for (int c = 0; c < list->header()->count(); ++c)
    widths.push_back(list->header()->sectionSize(c));
  return widths;
}

void SetColumnWidths(QTreeView* list, const std::vector<int>& widths) {
  for (std::size_t c = 0; c < widths.size(); ++c) {
    list->header()->resizeSection(static_cast<int>(c), widths[c]);
  }
}

}  // namespace

std::string FontSetting(const QFont& font) {
  const std::string face = Utf8ToCp932(font.family().toStdString());
  if (font.pointSizeF() > 0)
    return face + ",pt," + QString::number(font.pointSizeF()).toStdString();
  return face + ",px," + std::to_string(font.pixelSize());
}

bool FontFromSetting(const std::string& setting, QFont& font) {
  const QStringList parts = FromCp932(setting).split(QLatin1Char(','));
  if (parts.size() != 3 || parts[0].trimmed().isEmpty()) return false;
  bool ok = false;
  const double size = parts[2].toDouble(&ok);
  if (!ok || size < 1 || size > 400) return false;
  QFont result(parts[0].trimmed());
  if (parts[1] == QLatin1String("pt")) {
    result.setPointSizeF(size);
  } else if (parts[1] == QLatin1String("px")) {
    result.setPixelSize(static_cast<int>(size));
  } else {
    return false;
  }
  font = result;
  return true;
}

TWindowMemory::TWindowMemory(TMainForm& main, TDspForm* source, std::string settingsFile)
    : QObject(&main), main_(main), source_(source), settingsFile_(std::move(settingsFile)) {
  Screens = [] {
    std::vector<ScreenRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
      const QRect area = screen->availableGeometry();
      screens.push_back({area.x(), area.y(), area.width(), area.height()});
    }
    return screens;
  };
  const ProfileFile settings(settingsFile_);
  layout_ = LoadWindowLayout(settings);
  recent_.Load(settings);

  // After "&Open Vbp", so that the designed items keep their order.
  recentMenu_ = new QMenu(QStringLiteral("&Recent"), main_.File1());
  recentMenu_->setObjectName("Recent1");
  main_.File1()->insertMenu(main_.Read1(), recentMenu_);
  FillRecentMenu();
  connect(&main_, &TMainForm::ProjectOpened, this, [this](const std::string& path) {
    recent_.Add(path);
    FillRecentMenu();
  });

  TFileDialog::SetFolderMemory(
      {[this](const std::string& purpose) { return ExactNative(recent_.Folder(purpose)); },
       [this](const std::string& purpose, const std::string& folder) {
         recent_.SetFolder(purpose, NativeToEngine(folder));
       }});
  main_.SetWindowPlacer([this] { return Place(); });
  main_.installEventFilter(this);
  Restore();
}

TWindowMemory::~TWindowMemory() {
  TFileDialog::SetFolderMemory({});
  main_.SetWindowPlacer(nullptr);
}

void TWindowMemory::Restore() {
  if (layout_.TreeWidth > 0) {
    const bool placed = layout_.Geometry && FitsAnyScreen(*layout_.Geometry, Screens());
    const int room = (placed ? layout_.Geometry->Width : kDesignedWidth) - kListsMinimum;
    main_.Panel2()->resize(std::max(0, std::min(layout_.TreeWidth, room)),
                           main_.Panel2()->height());
  }
  if (layout_.CallerShare > 0) main_.ListSplit()->SetShare(layout_.CallerShare / 10000.0);
  SetColumnWidths(main_.lsYCall(), layout_.CallerColumns);
  SetColumnWidths(main_.lsICall(), layout_.CalleeColumns);
  QFont font;
  if (source_ != nullptr && FontFromSetting(layout_.SourceFont, font)) {
    source_->SetDisplayFont(font);
  }
}

bool TWindowMemory::Place() {
  if (layout_.Geometry && FitsAnyScreen(*layout_.Geometry, Screens())) {
    const ScreenRect& g = *layout_.Geometry;
    main_.setGeometry(g.X, g.Y, g.Width, g.Height);
    if (layout_.Maximized) main_.setWindowState(main_.windowState() | Qt::WindowMaximized);
    return true;
  }
  // A place that fits no screen now: the designed size, centred; maximised if it was.
  if (layout_.Maximized) main_.setWindowState(main_.windowState() | Qt::WindowMaximized);
  return false;
}

WindowLayout TWindowMemory::CurrentLayout() const {
  WindowLayout layout;
  const bool maximized = main_.isMaximized();
  // The size the window comes back to when it is no longer maximised.
  const QRect normal = maximized ? main_.normalGeometry() : main_.geometry();
  if (normal.isValid())
    layout.Geometry = ScreenRect{normal.x(), normal.y(), normal.width(), normal.height()};
  layout.Maximized = maximized;
  layout.TreeWidth = main_.Panel2()->width();
  layout.CallerShare = static_cast<int>(std::lround(main_.ListSplit()->Share() * 10000));
  layout.CallerShare = std::clamp(layout.CallerShare, 1, 9999);
  if (source_ != nullptr) {
    QFont designed = TDspForm::DesignedDisplayFont();
    if (source_->DisplayFont() != designed) layout.SourceFont = FontSetting(source_->DisplayFont());
  }
  layout.CallerColumns = ColumnWidths(main_.lsYCall());
  layout.CalleeColumns = ColumnWidths(main_.lsICall());
  return layout;
}

void TWindowMemory::Save() {
  try {
    SaveWindowLayout(settingsFile_, CurrentLayout());
    recent_.Save(settingsFile_);
  } catch (const std::exception& e) {
    main_.Prompts().ShowError(&main_, QString::fromUtf8(e.what()));
  }
}

void TWindowMemory::FillRecentMenu() {
  recentMenu_->clear();
  const std::vector<std::string>& paths = recent_.Paths();
  for (std::size_t i = 0; i < paths.size(); ++i) {
    QString shown = FromCp932(paths[i]);
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    QAction* item = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
    connect(item, &QAction::triggered, this, [this, i] { OpenRecent(i); });
  }
  recentMenu_->setEnabled(!paths.empty());
}

void TWindowMemory::OpenRecent(std::size_t index) {
  if (index >= recent_.Paths().size()) return;
  const std::string path = recent_.Paths()[index];
  if (!FileExists(path)) {
    const QString question =
        QStringLiteral("%1 is not there any more.\nRemove it from the recent projects?")
            .arg(FromCp932(path));
    if (main_.Prompts().Confirm(&main_, QStringLiteral("Recent"), question)) {
      recent_.Remove(path);
      FillRecentMenu();
    }
    return;
  }
  try {
    main_.OpenProject(path);
  } catch (const std::exception& e) {
    main_.Prompts().ShowError(&main_, QString::fromUtf8(e.what()));
  }
}

bool TWindowMemory::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &main_ && event->type() == QEvent::Close) Save();
  return false;
}

}  // namespace tarnel
