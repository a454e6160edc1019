// The floor of Vantril's start-up: a bare Qt Widgets program of the same
// build showing the same window: the same size and window hints, the same
// twelve controls at the same places with the same texts, the same fonts
// (the window's narrow face, and Label1's caption face) and the same list
// item sizes, but no behaviour: no data layer, browsing logic, accessible
// names or icon behind it. Any window showing text pays for the font
// system's first use; this one does too.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

QRect Twips(int left, int top, int width, int height) {
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

template <typename Widget>
Widget* Make(QWidget* parent, const char* text, QRect geometry) {
    auto* widget = new Widget(QString::fromLatin1(text), parent);
    widget->setGeometry(geometry);
    return widget;
}

QFont SansSerif(const QString& family, const QStringList& standIns, qreal points, QFont::Weight weight) {
    QFont::insertSubstitutions(family, standIns);
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Vantril"));
    window.setFixedSize(Twips(0, 0, 3420, 3585).size());
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint);
    window.setFont(SansSerif(QStringLiteral("Liberation Sans Narrow"),
                             {QStringLiteral("Arial Narrow"), QStringLiteral("Nimbus Sans Narrow")}, 8,
                             QFont::Normal));

    Make<QLabel>(&window, "Database Name:", Twips(0, 0, 2775, 375))
        ->setFont(SansSerif(QStringLiteral("MS Sans Serif"),
                            {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                             QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")},
                            13.5, QFont::Bold));
    Make<QLineEdit>(&window, "", Twips(0, 480, 3255, 285));
    auto* list = new QListWidget(&window);
    list->setGeometry(Twips(120, 960, 1095, 645));
    list->setFrameShape(QFrame::NoFrame);
    list->setUniformItemSizes(true);
    for (const char* kind : {"Form", "Query", "Report"}) {
        auto* item = new QListWidgetItem(QLatin1String(kind), list);
        item->setSizeHint(QSize(0, list->height() / 3));
    }
    Make<QPushButton>(&window, "Vantril", Twips(1440, 960, 1935, 495))->setFocus();
    Make<QLabel>(&window, "Name:", Twips(120, 1920, 735, 255));
    Make<QLineEdit>(&window, "", Twips(1440, 1920, 1695, 285))->setReadOnly(true);
    Make<QLabel>(&window, "Date Created:", Twips(120, 2280, 1095, 255));
    Make<QLineEdit>(&window, "", Twips(1440, 2280, 1695, 285))->setReadOnly(true);
    Make<QLabel>(&window, "Date Updated:", Twips(120, 2640, 1095, 255));
    Make<QLineEdit>(&window, "", Twips(1440, 2640, 1695, 285))->setReadOnly(true);
    Make<QPushButton>(&window, "Previous", Twips(720, 3120, 975, 255));
    Make<QPushButton>(&window, "Next", Twips(1800, 3120, 975, 255));
    window.show();
    return QApplication::exec();
}
