#include "openprogress.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QScopedValueRollback>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <exception>
#include <memory>
#include <thread>

void OpenProgress::Run(const std::function<void()>& open, const dataaccess::RowsRead& objectsRead) {
    const QScopedValueRollback<bool> running(running_, true);
    QAbstractEventDispatcher* dispatcher = QThread::currentThread()->eventDispatcher();
    std::atomic<bool> done = false;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            open();
        } catch (...) {
            failure = std::current_exception();
        }
        done.store(true, std::memory_order_release);
        dispatcher->wakeUp();
    });

    std::unique_ptr<QLabel> box;
    const auto show = [&] {
        if (box == nullptr) {
            box = std::make_unique<QLabel>(&window_,
                                           Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
            box->setObjectName(QStringLiteral("openProgress"));
            box->setWindowTitle(QStringLiteral("Vantril"));
            box->setWindowModality(Qt::WindowModal);
            box->setMargin(12);
            box->installEventFilter(this);
        }
        box->setText(
            QStringLiteral("Objects read so far: %1").arg(objectsRead.load(std::memory_order_relaxed)));
        box->adjustSize();
        box->show();
    };
    QTimer quiet;
    quiet.setSingleShot(true);
    QTimer::connect(&quiet, &QTimer::timeout, show);
    quiet.start(kQuietTime);
    QTimer update;
    QTimer::connect(&update, &QTimer::timeout, show);
    QTimer::connect(&quiet, &QTimer::timeout, &update, [&update] { update.start(kUpdateInterval); });

    // Paints and timers run meanwhile; clicks and keys wait in the queue
    // until the Open is over, as they would behind a call on this thread.
    window_.installEventFilter(this);
    while (!done.load(std::memory_order_acquire)) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    }
    worker.join();
    window_.removeEventFilter(this);
    if (failure) std::rethrow_exception(failure);
}

bool OpenProgress::eventFilter(QObject* watched, QEvent* event) {
    // Closing the window would destroy what the Open is writing to; closing
    // the box would hide the progress of an Open still running.
    if (running_ && event->type() == QEvent::Close) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
