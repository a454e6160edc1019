#pragma once

#include <QStringList>

#include "presenter.h"

// Keeps every message and the exit status instead of showing or exiting.
class RecordingPresenter final : public Presenter {
public:
    QStringList messages;
    int exitStatus = -1;  // -1: the program was not ended
    bool windowVisibleAtEnd = false;

    void ShowMessage(QWidget&, const QString& text) override { messages << text; }
    void EndProgram(QWidget& window, int status) override {
        windowVisibleAtEnd = window.isVisible();
        exitStatus = status;
    }
};
