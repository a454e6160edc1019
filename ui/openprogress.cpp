#include "openprogress.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QScopedValueRollback>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <atomic>
#include <exception>
#include <memory>
#include <thread>

#include "captionwidth.h"

void OpenProgress::Run(const std::function<void()>& open, const dataaccess::RowsRead& objectsRead) {
    Q_ASSERT(QThread::currentThread() == window_.thread());  // it waits by running the window's events
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

    std::unique_ptr<QDialog> box;
    QLabel* text = nullptr;
    const auto show = [&] {
        if (box == nullptr) {
            // A caption and no title-bar button: the box cannot be closed,
            // moved aside at most, and its fixed size offers no Maximize.
            box = std::make_unique<QDialog>(&window_, Qt::CustomizeWindowHint | Qt::WindowTitleHint);
            box->setObjectName(QStringLiteral("openProgress"));
            box->setWindowTitle(QStringLiteral("Vantril"));
            box->setWindowModality(Qt::WindowModal);
            auto* layout = new QVBoxLayout(box.get());
            layout->setSizeConstraint(QLayout::SetFixedSize);
            text = new QLabel(box.get());
            auto* busy = new QProgressBar(box.get());
            busy->setRange(0, 0);  // no end known: the bar moves to and fro
            busy->setTextVisible(false);
            const QMargins margins = layout->contentsMargins();
            busy->setMinimumWidth(CaptionWidth(box->windowTitle()) - margins.left() - margins.right());
            layout->addWidget(text);
            layout->addWidget(busy);
            box->installEventFilter(this);
        }
        const std::uint64_t read = objectsRead.load(std::memory_order_relaxed);
        const QString count =
            window_.locale().toString(static_cast<qulonglong>(read & ~dataaccess::kSortingRows));
        text->setText((read & dataaccess::kSortingRows) != 0
                          ? QStringLiteral("Sorting %1 objects\u2026").arg(count)
                          : QStringLiteral("Objects read so far: %1").arg(count));
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
