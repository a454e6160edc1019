#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QTimer>
#include <cerrno>
#include <optional>
#include <vector>

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

// A standard stream that was closed gets a stand-in, /dev/null opened for
// reading only: nothing the program opens later can take its number and
// receive what was meant for the stream, and a write to it still fails, so
// that --version and --help report it.
void KeepStandardStreamsTaken() {
    for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
        if (fcntl(stream, F_GETFD) != -1 || errno != EBADF) continue;
        const int standIn = open("/dev/null", O_RDONLY);
        if (standIn >= 0 && standIn != stream) {
            dup2(standIn, stream);
            close(standIn);
        }
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    KeepStandardStreamsTaken();
    QCoreApplication::setApplicationName(QStringLiteral("vantril"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTRIL_VERSION));

    // Help, version and bad usage are answered before any display is needed.
    CommandLine command;
    command.Read(argc, argv);
    if (command.Ends()) {
        const QCoreApplication printing(argc, argv);
        return command.Answer();
    }

    // The application object sees Qt's own options only.
    std::vector<char*>& qtArguments = command.QtArguments();
    int qtCount = static_cast<int>(qtArguments.size()) - 1;
    std::optional<DisplayGuard> guard(std::in_place);
    QApplication app(qtCount, qtArguments.data());
    guard.reset();
    QApplication::setApplicationDisplayName(QStringLiteral("Vantril"));
    // Lets the taskbar match the window to org.vantril.Vantril.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vantril.Vantril"));

    const dataaccess::PluginResolver providers = dataaccess::PluginResolver::ForThisProgram();
    BoxPresenter presenter;
    frmVantril window(providers, presenter);
    window.SetDatabaseName(command.Database());
    IconAfterFirstPaint icon;
    window.installEventFilter(&icon);
    window.show();
    return QApplication::exec();
}
