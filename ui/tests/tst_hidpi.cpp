// The window on dense screens. Run once per scale: QT_SCALE_FACTOR sets the
// device pixel ratio the window is laid out and drawn at.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <memory>

#include "frmvantril.h"
#include "memoryprovider.h"
#include "recordingpresenter.h"

namespace {

// The device pixels where something other than the background was drawn.
QRect Ink(const QImage& image) {
    const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background) ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

}  // namespace

class tst_HiDpi : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void scaleIsInEffect();
    void layoutKeepsItsLogicalGeometry_data();
    void layoutKeepsItsLogicalGeometry();
    void label1IsNotClipped();
    void listEntriesAllShow();

private:
    dataaccess::testing::MapResolver resolver_;
    RecordingPresenter presenter_;
    std::unique_ptr<frmVantril> window_;
};

void tst_HiDpi::init() {
    window_ = std::make_unique<frmVantril>(resolver_, presenter_);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void tst_HiDpi::cleanup() { window_.reset(); }

// Otherwise every other case here would pass at the wrong scale.
void tst_HiDpi::scaleIsInEffect() {
    const double expected = qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble();
    QCOMPARE(window_->devicePixelRatio(), expected);
}

void tst_HiDpi::layoutKeepsItsLogicalGeometry_data() {
    QTest::addColumn<QRect>("twips");
    QTest::newRow("frmVantril") << QRect(0, 0, 3420, 3585);
    QTest::newRow("Label1") << QRect(0, 0, 2775, 375);
    QTest::newRow("txtDatabase") << QRect(0, 480, 3255, 285);
    QTest::newRow("lstType") << QRect(120, 960, 1095, 645);
    QTest::newRow("cmdVantril") << QRect(1440, 960, 1935, 495);
    QTest::newRow("Label2") << QRect(120, 1920, 735, 255);
    QTest::newRow("txtName") << QRect(1440, 1920, 1695, 285);
    QTest::newRow("Label3") << QRect(120, 2280, 1095, 255);
    QTest::newRow("txtDateCreated") << QRect(1440, 2280, 1695, 285);
    QTest::newRow("Label4") << QRect(120, 2640, 1095, 255);
    QTest::newRow("txtDateUpdated") << QRect(1440, 2640, 1695, 285);
    QTest::newRow("cmdPrev") << QRect(720, 3120, 975, 255);
    QTest::newRow("cmdNext") << QRect(1800, 3120, 975, 255);
}

void tst_HiDpi::layoutKeepsItsLogicalGeometry() {
    QFETCH(QRect, twips);
    const QLatin1String name(QTest::currentDataTag());
    QWidget* control =
        name == QLatin1String("frmVantril") ? window_.get() : window_->findChild<QWidget*>(name);
    QVERIFY(control != nullptr);
    const QRect logical(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15);
    if (control == window_.get()) {
        QCOMPARE(control->size(), logical.size());
    } else {
        QCOMPARE(control->geometry(), logical);
    }
}

// Measured, and as drawn: the text's ink keeps off the label's right and
// bottom edges, where clipping would cut it.
void tst_HiDpi::label1IsNotClipped() {
    auto* caption = window_->findChild<QLabel*>(QStringLiteral("Label1"));
    QVERIFY(caption != nullptr);
    const QRect room = caption->contentsRect();
    const QRect needed =
        caption->fontMetrics().boundingRect(room, int(caption->alignment()), caption->text());
    QVERIFY2(room.contains(needed), qPrintable(QStringLiteral("needs %1x%2, has %3x%4")
                                                   .arg(needed.width())
                                                   .arg(needed.height())
                                                   .arg(room.width())
                                                   .arg(room.height())));

    const QImage drawn = caption->grab().toImage();
    QCOMPARE(drawn.devicePixelRatio(), window_->devicePixelRatio());
    const QRect ink = Ink(drawn);
    QVERIFY2(!ink.isEmpty(), "no text was drawn");
    QVERIFY2(ink.right() < drawn.width() - 1 && ink.bottom() < drawn.height() - 1,
             qPrintable(QStringLiteral("ink %1,%2 %3x%4 reaches the edge of %5x%6")
                            .arg(ink.x())
                            .arg(ink.y())
                            .arg(ink.width())
                            .arg(ink.height())
                            .arg(drawn.width())
                            .arg(drawn.height())));
}

void tst_HiDpi::listEntriesAllShow() {
    auto* list = window_->findChild<QListWidget*>(QStringLiteral("lstType"));
    QVERIFY(list != nullptr);
    for (int i = 0; i < list->count(); ++i) {
        QVERIFY2(list->viewport()->rect().contains(list->visualItemRect(list->item(i))),
                 qPrintable(list->item(i)->text()));
    }
}

QTEST_MAIN(tst_HiDpi)
#include "tst_hidpi.moc"
