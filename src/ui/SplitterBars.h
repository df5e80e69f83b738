#pragma once

class QWidget;

namespace tarnel {

// The main window's splitter bars (TSeparater), set up the way a stored form would load them:
// stored size and cursor first, then the kind, the linked control and Loaded.

// An upright bar of the given size docked at the left of its container, resizing reSizeCtrl.
QWidget* MakeLevelBar(QWidget* container, QWidget* reSizeCtrl, int width, int height);
// A lying bar docked at the top of its container, resizing reSizeCtrl.
QWidget* MakeVerticalBar(QWidget* container, QWidget* reSizeCtrl, int width, int height);

}  // namespace tarnel
