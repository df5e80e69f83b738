#pragma once

#include "reports/Exports.h"

class QMenu;

namespace tarnel {

class TMainForm;

// File > Export: the batch tool's exports of the open project, each through a save dialog, with
// the same bytes as the batch tool writes.
QMenu* AddExportMenu(TMainForm& form, QMenu* file);

// Asks for the file and writes the export; failures go to the error box.
void ExportClick(TMainForm& form, ExportFormat format);

}  // namespace tarnel
