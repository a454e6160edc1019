#pragma once

#include <QString>

class QWidget;

// How the window shows a message and how it ends the program: the real
// boxes and exit in the program, recorders in tests, so that no test ever
// waits on a modal box or loses its process.
class Presenter {
public:
    virtual ~Presenter() = default;

    // A modal box over window with text, an OK button only, no icon, captioned
    // "Vantril". Returns once the user has dismissed it.
    virtual void ShowMessage(QWidget& window, const QString& text) = 0;
    // The same for the failure that ends the program, with the critical icon.
    virtual void ShowFailure(QWidget& window, const QString& text) = 0;
    // Closes window and ends the program with exitStatus.
    virtual void EndProgram(QWidget& window, int exitStatus) = 0;
};
