#pragma once

#include <QtGlobal>

// Held while the application object connects to the display. Without one,
// Qt's platform plug-in ends the program with an abort and a hint to
// reinstall; this turns that into one plain line and exit status 1.
class DisplayGuard final {
public:
    DisplayGuard();
    ~DisplayGuard();
    DisplayGuard(const DisplayGuard&) = delete;
    DisplayGuard& operator=(const DisplayGuard&) = delete;

private:
    QtMessageHandler previous_;
};
