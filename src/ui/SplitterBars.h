#pragma once

class QWidget;

namespace tarnel {

// The main window's splitter bars (TSeparater), made in a unit of their own: the bar's header
// and the engine's headers cannot meet in one translation unit while both name a type Tkind.

// An upright bar of the given size docked at the left of its container, resizing reSizeCtrl.
QWidget* MakeLevelBar(QWidget* container, QWidget* reSizeCtrl, int width, int height);
// A lying bar docked at the top of its container, resizing reSizeCtrl.
QWidget* MakeVerticalBar(QWidget* container, QWidget* reSizeCtrl, int width, int height);

}  // namespace tarnel
