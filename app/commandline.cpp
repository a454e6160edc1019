#include "commandline.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
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

bool CommandLine::Read(const QStringList& arguments) {
    if (!parser_.parse(arguments)) {
        error_ = parser_.errorText();
        return false;
    }
    if (parser_.positionalArguments().size() > 1) error_ = QStringLiteral("Give at most one database.");
    return true;
}

bool CommandLine::Ends() const {
    return !error_.isEmpty() || parser_.isSet(help_) || parser_.isSet(version_);
}

int CommandLine::Answer() const {
    if (!error_.isEmpty()) {
        Print(stderr, QCoreApplication::applicationName() + QStringLiteral(": ") + error_ + u'\n' +
                          parser_.helpText());
        return 2;
    }
    if (parser_.isSet(help_)) {
        Print(stdout, parser_.helpText());
        return 0;
    }
    Print(stdout,
          QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion() + u'\n');
    return 0;
}

QString CommandLine::Database() const {
    const QStringList given = parser_.positionalArguments();
    return given.isEmpty() ? QString() : given.front();
}
