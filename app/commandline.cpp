#include "commandline.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// Qt's own options, as the documentation of QGuiApplication, QApplication
// and the X11 platform lists them. Each may also start with "--"; those
// marked attached may carry their value after "=".
struct QtOption {
    std::string_view name;
    bool takesValue;
    bool attached;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true, false},      {"platformpluginpath", true, false},
    {"platformtheme", true, false}, {"plugin", true, false},
    {"qmljsdebugger", false, true}, {"qwindowgeometry", true, false},
    {"qwindowicon", true, false},   {"qwindowtitle", true, false},
    {"reverse", false, false},      {"session", true, false},
    {"display", true, false},       {"geometry", true, false},
    {"style", true, true},          {"stylesheet", true, true},
    {"widgetcount", false, false},
};

// How many arguments from argument on are one of Qt's options: 0 when it is
// none, 1 or 2 with its value, -1 when its value is missing.
int QtOptionLength(std::string_view argument, bool valueFollows) {
    if (argument.starts_with("--")) argument.remove_prefix(1);
    if (!argument.starts_with('-')) return 0;
    argument.remove_prefix(1);
    for (const QtOption& option : kQtOptions) {
        if (option.attached && argument.starts_with(option.name) && argument.size() > option.name.size() &&
            argument[option.name.size()] == '=') {
            return 1;
        }
        if (argument == option.name) return !option.takesValue ? 1 : valueFollows ? 2 : -1;
    }
    return 0;
}

// Whether all of text reached stream; errno tells why not.
bool Print(std::FILE* stream, const QString& text) {
    const bool written = std::fputs(text.toLocal8Bit().constData(), stream) >= 0;
    return std::fflush(stream) == 0 && written;
}

}  // namespace

CommandLine::CommandLine()
    : help_({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help and exit.")),
      version_({QStringLiteral("v"), QStringLiteral("version")},
               QStringLiteral("Show the program's version and exit.")) {
    parser_.setApplicationDescription(QStringLiteral("Browse the object catalog of a database."));
    parser_.addOption(help_);
    parser_.addOption(version_);
    parser_.addPositionalArgument(QStringLiteral("DATABASE"),
                                  QStringLiteral("Put this database name under Database Name:."),
                                  QStringLiteral("[DATABASE]"));
}

void CommandLine::Read(int argc, char* argv[]) {
    Q_ASSERT(argc >= 1);  // the program's name comes first
    qt_.assign(argv, argv + 1);
    QStringList own{QString::fromLocal8Bit(argv[0])};
    int at = 1;
    for (; at < argc && std::string_view(argv[at]) != "--"; ++at) {
        const int length = QtOptionLength(argv[at], at + 1 < argc && std::string_view(argv[at + 1]) != "--");
        if (length < 0 && error_.isEmpty())
            error_ = QStringLiteral("Missing value after '%1'.").arg(QString::fromLocal8Bit(argv[at]));
        if (length <= 0) own << QString::fromLocal8Bit(argv[at]);
        for (int i = 0; i < length; ++i) qt_.push_back(argv[at + i]);
        if (length == 2) ++at;
    }
    // "--" goes to the parser too, which takes all that follows as names.
    for (; at < argc; ++at) own << QString::fromLocal8Bit(argv[at]);
    qt_.push_back(nullptr);
    if (!error_.isEmpty()) return;
    if (!parser_.parse(own)) {
        error_ = parser_.errorText();
        return;
    }
    if (parser_.positionalArguments().size() > 1) error_ = QStringLiteral("Give at most one database.");
}

bool CommandLine::Ends() const {
    return !error_.isEmpty() || parser_.isSet(help_) || parser_.isSet(version_);
}

int CommandLine::Answer() const {
    const QString name = QCoreApplication::applicationName();
    if (!error_.isEmpty()) {
        Print(stderr, name + QStringLiteral(": ") + error_ + u'\n' + parser_.helpText());
        return 2;
    }
    const QString text = parser_.isSet(help_) ? parser_.helpText()
                                              : name + u' ' + QCoreApplication::applicationVersion() + u'\n';
    if (Print(stdout, text)) return 0;
    const int error = errno;
    Print(stderr, name + QStringLiteral(": cannot write to standard output: ") +
                      QString::fromLocal8Bit(std::strerror(error)) + u'\n');
    return 1;
}

QString CommandLine::Database() const {
    const QStringList given = parser_.positionalArguments();
    return given.isEmpty() ? QString() : given.front();
}
