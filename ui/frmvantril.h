#pragma once

#include <QWidget>
#include <functional>

#include "browserview.h"
#include "dataaccess_api.h"
#include "objectbrowser.h"
#include "openprogress.h"

class Presenter;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace dataaccess {
class ProviderResolver;
}

// The program's one window. It lays out its controls at fixed places, runs
// one browsing operation per button click, and is the one place that
// reports a failure, after which the program ends. The controls' names
// (Label1, lstType, ...) and their places and sizes in twips are fixed by the
// window's design, not chosen here: keep them as they are.
class frmVantril final : public QWidget, public browse::BrowserView {
    Q_OBJECT

public:
    // resolver and presenter must outlive the window.
    frmVantril(const dataaccess::ProviderResolver& resolver, Presenter& presenter, QWidget* parent = nullptr);

    // Puts a database name given at start-up into txtDatabase, as if typed.
    void SetDatabaseName(const QString& name);

    // BrowserView
    void SetBoxText(browse::Box box, std::string_view text) override;
    void ShowMessage(std::string_view text) override;

private:
    // The selected kind's text, or "" when none is selected.
    std::string SelectedKind() const;
    // Runs one operation to its end; any failure goes to ReportAndEnd.
    void Run(const std::function<void()>& operation);
    void ReportAndEnd(const dataaccess::Status& failure);

    QLabel* Label1;
    QLineEdit* txtDatabase;
    QListWidget* lstType;
    QPushButton* cmdVantril;
    QLabel* Label2;
    QLineEdit* txtName;
    QLabel* Label3;
    QLineEdit* txtDateCreated;
    QLabel* Label4;
    QLineEdit* txtDateUpdated;
    QPushButton* cmdPrev;
    QPushButton* cmdNext;

    Presenter& presenter_;
    browse::ObjectBrowser browser_;
    OpenProgress opening_{*this};
};
