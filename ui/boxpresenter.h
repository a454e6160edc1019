#pragma once

#include "presenter.h"

// Messages in real modal boxes; ending leaves the application's event loop.
class BoxPresenter final : public Presenter {
public:
    void ShowMessage(QWidget& window, const QString& text) override;
    void ShowFailure(QWidget& window, const QString& text) override;
    void EndProgram(QWidget& window, int exitStatus) override;
};
