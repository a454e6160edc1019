// Draws the Vantril window, showing a row of the bundled sample, into a PNG:
// the picture in the README. Run by tools/screenshot.
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "frmvantril.h"
#include "pluginresolver.h"
#include "presenter.h"

namespace {

// The picture is taken mid-browse; no message is due, and none may block.
class SilentPresenter final : public Presenter {
public:
    void ShowMessage(QWidget&, const QString& text) override {
        std::fprintf(stderr, "windowgrab: unexpected message: %s\n", qPrintable(text));
    }
    void ShowFailure(QWidget& window, const QString& text) override { ShowMessage(window, text); }
    void EndProgram(QWidget&, int) override { std::exit(1); }
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: windowgrab VANTRIL DATABASE KIND OUTPUT.png\n");
        return 2;
    }
    const dataaccess::PluginResolver providers(dataaccess::PluginResolver::FoldersFor(argv[1]));
    SilentPresenter presenter;
    frmVantril window(providers, presenter);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;

    auto* database = window.findChild<QLineEdit*>(QStringLiteral("txtDatabase"));
    auto* kinds = window.findChild<QListWidget*>(QStringLiteral("lstType"));
    QTest::keyClicks(database, QString::fromLocal8Bit(argv[2]));
    const auto found = kinds->findItems(QString::fromLocal8Bit(argv[3]), Qt::MatchExactly);
    if (found.isEmpty()) return 2;
    QTest::mouseClick(kinds->viewport(), Qt::LeftButton, {}, kinds->visualItemRect(found.front()).center());
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdVantril")), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdNext")), Qt::LeftButton);
    QApplication::processEvents();

    return window.grab().save(QString::fromLocal8Bit(argv[4])) ? 0 : 1;
}
