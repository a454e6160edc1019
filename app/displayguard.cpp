#include "displayguard.h"

#include <unistd.h>

#include <QStringList>
#include <cstdio>

namespace {

// The displays the platform plug-ins try, as the environment names them.
QString Tried() {
    QStringList tried;
    for (const char* variable : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        if (qEnvironmentVariableIsEmpty(variable)) continue;
        tried << QStringLiteral("%1=\"%2\"").arg(QLatin1String(variable), qEnvironmentVariable(variable));
    }
    return tried.isEmpty()
               ? QStringLiteral("no display: DISPLAY and WAYLAND_DISPLAY are not set")
               : QStringLiteral("cannot connect to the display ") + tried.join(QStringLiteral(" or "));
}

void OnStartMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const bool platform = message.contains(QLatin1String("platform plugin"), Qt::CaseInsensitive);
    if (type == QtFatalMsg) {
        const QString line =
            platform ? Tried() + QStringLiteral("; Vantril needs a graphical session (X11 or Wayland)")
                     : message;
        std::fprintf(stderr, "vantril: %s\n", line.toLocal8Bit().constData());
        _exit(1);
    }
    // The plug-ins' own words on a failed connection would only repeat it.
    const QLatin1String category(context.category ? context.category : "");
    if (platform || category.startsWith(QLatin1String("qt.qpa."))) return;
    std::fprintf(stderr, "%s\n", qFormatLogMessage(type, context, message).toLocal8Bit().constData());
}

}  // namespace

DisplayGuard::DisplayGuard() : previous_(qInstallMessageHandler(OnStartMessage)) {}

DisplayGuard::~DisplayGuard() { qInstallMessageHandler(previous_); }
