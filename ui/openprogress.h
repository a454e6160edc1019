#pragma once

#include <QObject>
#include <chrono>
#include <functional>

#include "dataaccess_api.h"

class QWidget;

// Runs an Open on a worker thread while the window's thread waits for it: the
// window keeps painting but takes no input and cannot be closed, so to the
// user the Open is as synchronous as a call on the window's own thread. Once
// it has run for kQuietTime, a small box captioned "Vantril", without
// buttons, shows how many objects have been read, or that they are being
// sorted, in numbers grouped as the window's locale groups them, updated
// every kUpdateInterval, over a busy bar that moves all along; it closes by
// itself when the Open ends.
class OpenProgress final : public QObject {
public:
    static constexpr std::chrono::milliseconds kQuietTime{500};
    static constexpr std::chrono::milliseconds kUpdateInterval{250};

    // window must outlive this object.
    explicit OpenProgress(QWidget& window) : window_(window) {}

    // True while Run runs.
    bool Running() const noexcept { return running_; }

    // Runs open to its end, watching objectsRead; whatever open throws is
    // thrown again here, on the window's thread, which it must be called on.
    void Run(const std::function<void()>& open, const dataaccess::RowsRead& objectsRead);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    bool running_ = false;
};
