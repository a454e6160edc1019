#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>

#include "boxpresenter.h"
#include "frmvantril.h"
#include "pluginresolver.h"

namespace {

// Gives the program its window icon once the window has first painted:
// loading the SVG icon and rendering it at several sizes is start-up time
// the window need not wait for.
class IconAfterFirstPaint final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, [] {
                QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/org.vantril.Vantril.svg")));
            });
        }
        return false;
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantril"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantril"));
    QApplication::setApplicationVersion(QStringLiteral(VANTRIL_VERSION));
    // Lets the taskbar match the window to vantril.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantril"));

    const dataaccess::PluginResolver providers = dataaccess::PluginResolver::ForThisProgram();
    BoxPresenter presenter;
    frmVantril window(providers, presenter);
    IconAfterFirstPaint icon;
    window.installEventFilter(&icon);
    window.show();
    return QApplication::exec();
}
