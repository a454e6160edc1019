#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <vector>

// The program's command line: vantril [OPTIONS] [DATABASE], where OPTIONS may
// include Qt's own (-platform, -style, ...), a known and documented set. They
// are told apart here, before the application object exists, so that bad
// usage gets the same answer with or without a display. After "--" every
// argument is a database name, and Qt never sees it.
class CommandLine final {
public:
    CommandLine();

    // Reads argv (argc arguments, the program's name first), which must
    // outlive this object.
    void Read(int argc, char* argv[]);

    // Whether the arguments ask the program to print and end: help, version,
    // or bad usage (an unknown option, a Qt option without its value, more
    // than one database).
    bool Ends() const;

    // Prints what the arguments ask for and gives the exit status: 0, 2 for
    // bad usage, 1 when the help or the version could not be written. Needs
    // the application object, for the program's name in the usage.
    int Answer() const;

    // The database given, or an empty text.
    QString Database() const;

    // What the application object is to read: the program's name and Qt's
    // own options, then a null; the count excludes the null.
    std::vector<char*>& QtArguments() { return qt_; }

private:
    QCommandLineParser parser_;
    QCommandLineOption help_;
    QCommandLineOption version_;
    QString error_;
    std::vector<char*> qt_;
};
