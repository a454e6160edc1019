#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>

#include "boxpresenter.h"
#include "commandline.h"
#include "displayguard.h"
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
    QCoreApplication::setApplicationName(QStringLiteral("vantril"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTRIL_VERSION));

    // Help, version and a second database are answered before any display
    // is needed. Arguments this cannot read may be Qt's own, which only the
    // application object takes out; they are read again below.
    {
        CommandLine early;
        QStringList raw;
        for (int i = 0; i < argc; ++i) raw << QString::fromLocal8Bit(argv[i]);
        if (early.Read(raw) && early.Ends()) {
            const QCoreApplication printing(argc, argv);
            return early.Answer();
        }
    }

    std::optional<DisplayGuard> guard(std::in_place);
    QApplication app(argc, argv);
    guard.reset();
    QApplication::setApplicationDisplayName(QStringLiteral("Vantril"));
    // Lets the taskbar match the window to org.vantril.Vantril.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vantril.Vantril"));

    CommandLine command;
    command.Read(QApplication::arguments());
    if (command.Ends()) return command.Answer();

    const dataaccess::PluginResolver providers = dataaccess::PluginResolver::ForThisProgram();
    BoxPresenter presenter;
    frmVantril window(providers, presenter);
    window.SetDatabaseName(command.Database());
    IconAfterFirstPaint icon;
    window.installEventFilter(&icon);
    window.show();
    return QApplication::exec();
}
