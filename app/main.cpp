#include <QApplication>
#include <QIcon>

#include "boxpresenter.h"
#include "frmvantril.h"
#include "pluginresolver.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantril"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantril"));
    QApplication::setApplicationVersion(QStringLiteral(VANTRIL_VERSION));
    // Lets the taskbar match the window to vantril.desktop and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantril"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/org.vantril.Vantril.svg")));

    const dataaccess::PluginResolver providers = dataaccess::PluginResolver::ForThisProgram();
    BoxPresenter presenter;
    frmVantril window(providers, presenter);
    window.show();
    return QApplication::exec();
}
