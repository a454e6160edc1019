#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

// The program's command line: vantril [OPTIONS] [DATABASE]. Qt's own options
// (-platform, -style, ...) are taken out by the application object before it
// is read here.
class CommandLine final {
public:
    CommandLine();

    // Reads the arguments, the program's name first. False when an option is
    // not understood.
    bool Read(const QStringList& arguments);

    // Whether the arguments ask the program to print and end: help, version,
    // or bad usage (an unknown option, more than one database).
    bool Ends() const;

    // Prints what the arguments ask for and gives the exit status. Needs the
    // application object, for the program's name in the usage.
    int Answer() const;

    // The database given, or an empty text.
    QString Database() const;

private:
    QCommandLineParser parser_;
    QCommandLineOption help_;
    QCommandLineOption version_;
    QString error_;
};
