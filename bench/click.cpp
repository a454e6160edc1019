// Click latency: a click on cmdVantril, driven through QTest in this process,
// until the window is idle again, with the real plug-in reading a catalog of
// a million objects.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "bench.h"
#include "floor.h"
#include "frmvantril.h"
#include "pluginresolver.h"
#include "presenter.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

// A failure would show a modal box that nobody dismisses: report it and stop.
class FailingPresenter final : public Presenter {
public:
    void ShowMessage(QWidget&, const QString& text) override {
        std::fprintf(stderr, "click: the window says: %s\n", qPrintable(text));
    }
    void ShowFailure(QWidget& window, const QString& text) override { ShowMessage(window, text); }
    void EndProgram(QWidget&, int exitStatus) override {
        std::fprintf(stderr, "click: the window failed\n");
        std::exit(exitStatus);
    }
};

// Idle: the event loop has nothing left to do, posted events and all.
void WaitUntilIdle() {
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    for (int pass = 0; pass < 10000; ++pass) {
        QCoreApplication::sendPostedEvents();
        if (!dispatcher->processEvents(QEventLoop::AllEvents)) return;
    }
    throw std::runtime_error("click: the window never became idle");
}

template <typename T>
T* Child(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(QLatin1String(name));
    if (child == nullptr) throw std::runtime_error(std::string("click: no control ") + name);
    return child;
}

}  // namespace

ClickResult RunClick(int& argc, char* argv[], const CatalogFiles& catalog, const Plan& plan) {
    QApplication application(argc, argv);
    const dataaccess::PluginResolver resolver({ThisBuild().providers});
    FailingPresenter presenter;
    frmVantril window(resolver, presenter);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) throw std::runtime_error("click: the window is not shown");

    Child<QLineEdit>(window, "txtDatabase")->setText(QString::fromStdString(catalog.covering));
    Child<QListWidget>(window, "lstType")->setCurrentRow(0);  // Form
    QPushButton* vantril = Child<QPushButton>(window, "cmdVantril");
    WaitUntilIdle();

    ClickResult result;
    // The first click loads the plug-in; then every click replaces a record
    // set of a million rows, as a user clicking again does. Each click takes
    // turns with a run of the Open floor on the same catalog, so that both
    // see the same machine.
    for (int click = -1; click < plan.clicks; ++click) {
        const auto floorStart = Clock::now();
        FloorOpen(catalog.covering, kKind);
        const auto floorEnd = Clock::now();
        const auto start = Clock::now();
        QTest::mouseClick(vantril, Qt::LeftButton);
        WaitUntilIdle();
        const auto idle = Clock::now();
        if (click >= 0) {
            result.clicksNs.push_back(std::chrono::duration<double, std::nano>(idle - start).count());
            result.floorsNs.push_back(
                std::chrono::duration<double, std::nano>(floorEnd - floorStart).count());
        }
    }
    // The clicks did open the catalog: Next shows its second object.
    QTest::mouseClick(Child<QPushButton>(window, "cmdNext"), Qt::LeftButton);
    WaitUntilIdle();
    if (Child<QLineEdit>(window, "txtName")->text().isEmpty()) {
        throw std::runtime_error("click: the window shows no object after the clicks");
    }
    result.medianNs = Median(result.clicksNs);
    result.floorMedianNs = Median(result.floorsNs);
    return result;
}

}  // namespace bench
