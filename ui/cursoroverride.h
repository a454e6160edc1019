#pragma once

#include <QGuiApplication>

// Shows shape as the application's cursor for the life of the object. The
// overrides stack, so an arrow over a busy cursor (while a message is up)
// gives the busy cursor back when the message is gone.
class CursorOverride {
public:
    explicit CursorOverride(Qt::CursorShape shape) { QGuiApplication::setOverrideCursor(QCursor(shape)); }
    ~CursorOverride() { QGuiApplication::restoreOverrideCursor(); }

    CursorOverride(const CursorOverride&) = delete;
    CursorOverride& operator=(const CursorOverride&) = delete;
};
