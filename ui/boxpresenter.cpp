#include "boxpresenter.h"

#include <QCoreApplication>
#include <QMessageBox>

void BoxPresenter::ShowMessage(QWidget& window, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Vantril"), text, QMessageBox::Ok, &window);
    // Messages quote what the user typed; it must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void BoxPresenter::EndProgram(QWidget& window, int exitStatus) {
    // Exit first: closing the last window asks the application to quit with
    // status 0, and the first request to leave the loop is the one that counts.
    QCoreApplication::exit(exitStatus);
    window.close();
}
