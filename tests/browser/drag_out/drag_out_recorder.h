#pragma once

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStringList>

#include <functional>

#include "browser/remote_drop_source.h"
#include "browser/progress_recorder.h"

// What the drop source sees when the user lets go of the left button, or
// presses Escape, during a drag.
inline void ReleaseLeftButton(RemoteDropSource& source) {
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(), QPointF(), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    source.eventFilter(nullptr, &release);
}

inline void PressEscape(RemoteDropSource& source) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    source.eventFilter(nullptr, &escape);
}
