#include "boxpresenter.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QScreen>
#include <QSpacerItem>
#include <QStyle>
#include <algorithm>

#include "captionwidth.h"

namespace {

// The width at which a one-sentence message of about 100 characters takes
// at most two lines beside the icon: half the text and its longest word fit
// on the first line, so the rest fits on the second. A longer text (a deep
// path) may take more lines rather than make the box wider than kMost, or
// than the box may be on its screen: QMessageBox never grows past
// that, and would cut its content.
int TwoLineWidth(const QMessageBox& box, const QString& text) {
    const int screen = box.screen()->availableGeometry().width();
    const int kMost = std::min(600, screen <= 1024 ? screen : std::min(screen - 480, 1000));
    const QFontMetrics metrics(QApplication::font("QMessageBoxLabel"));
    int longestWord = 0;
    for (const QString& word : text.split(u' '))
        longestWord = std::max(longestWord, metrics.horizontalAdvance(word));
    const int icon = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    return std::min(kMost, metrics.horizontalAdvance(text) / 2 + longestWord + icon + 2 * metrics.height());
}

void Show(QWidget& window, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QStringLiteral("Vantril"), text, QMessageBox::Ok, &window);
    // Messages quote what the user typed; it must never be read as markup.
    box.setTextFormat(Qt::PlainText);
    // The box fixes its own size from its layout's least width, often too
    // narrow for its caption beside the title-bar buttons: an empty item
    // across the layout widens it.
    int width = CaptionWidth(box.windowTitle());
    if (icon == QMessageBox::Critical) width = std::max(width, TwoLineWidth(box, text));
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    Q_ASSERT(grid != nullptr);  // QMessageBox lays itself out in a grid
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                  grid->columnCount());
    box.exec();
}

}  // namespace

void BoxPresenter::ShowMessage(QWidget& window, const QString& text) {
    Show(window, QMessageBox::NoIcon, text);
}

void BoxPresenter::ShowFailure(QWidget& window, const QString& text) {
    Show(window, QMessageBox::Critical, text);
}

void BoxPresenter::EndProgram(QWidget& window, int exitStatus) {
    // Exit first: closing the last window asks the application to quit with
    // status 0, and the first request to leave the loop is the one that counts.
    QCoreApplication::exit(exitStatus);
    window.close();
}
