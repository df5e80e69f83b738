#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QPoint>
#include <QWidget>

namespace tarnel::test {

// Delivers one mouse event at a point of target's own coordinates, as the window system would.
inline void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
  QMouseEvent event(type, QPointF(at), QPointF(target->mapToGlobal(at)), button, buttons,
                    Qt::NoModifier);
  QApplication::sendEvent(target, &event);
}

}  // namespace tarnel::test
