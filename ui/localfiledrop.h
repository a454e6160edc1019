#pragma once

#include <QObject>

// Lets a line edit take one file dropped from a file manager as its local
// path rather than as a file:// URI. Any other drop is left to the edit.
class LocalFileDrop final : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
