// The window: its fixed layout (again at device pixel ratios 1.5 and 2), what
// keyboard and screen-reader users reach, its buttons and its failure path.
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <memory>

#include "boxpresenter.h"
#include "frmvantril.h"
#include "memoryprovider.h"
#include "presenter.h"

using dataaccess::DateTime;
using dataaccess::Value;

namespace {

// Keeps every message and the exit status instead of showing or exiting.
struct RecordingPresenter final : Presenter {
    QStringList messages;
    int exitStatus = -1;  // -1: the program was not ended
    bool windowVisibleAtEnd = false;
    void ShowMessage(QWidget&, const QString& text) override {
        messages << (QThread::currentThread() == qApp->thread() ? text
                                                                : "not on the window's thread: " + text);
    }
    void EndProgram(QWidget& window, int status) override {
        windowVisibleAtEnd = window.isVisible();
        exitStatus = status;
    }
};

// Two rows in memory; notes the application's cursor at every Open, to see
// the busy cursor. While held, an Open has read 42 rows and waits.
struct CursorSpyProvider final : dataaccess::Provider {
    dataaccess::testing::MemoryProvider rows{
        {"Name", "DateCreated", "DateUpdated"},
        {{Value::Text("Customers"), Value::Date(DateTime{2024, 3, 1, 0, 0, 0}), Value::Text("later")},
         {Value::Text("Orders"), Value::Date(DateTime{2024, 3, 2, 9, 15, 0}), Value::Integer(7)}}};
    QList<int> shapes;  // -1: no override cursor
    std::atomic<bool> held = false;

    dataaccess::Status Open(std::string_view source, int c, int l, int o,
                            std::unique_ptr<dataaccess::Rowset>& rowset,
                            dataaccess::RowsRead* rowsRead) noexcept override {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        shapes << (cursor ? static_cast<int>(cursor->shape()) : -1);
        rowsRead->store(42);
        while (held) QThread::msleep(1);
        return rows.Open(source, c, l, o, rowset, rowsRead);
    }
};

template <typename T = QWidget>
T* Child(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(QLatin1String(name));
    if (child == nullptr) qFatal("no control named %s", name);
    return child;
}

// What a screen reader says on reaching a node: its name, its role, what it
// is for, and whether it can be changed.
QString Said(const QString& name, QAccessible::Role role, const QString& description = {},
             bool readOnly = false) {
    return QStringList{name, QString::number(static_cast<int>(role)), description,
                       readOnly ? "read-only" : ""}
        .join(u'|');
}
QString Said(QAccessibleInterface& node) {
    return Said(node.text(QAccessible::Name), node.role(), node.text(QAccessible::Description),
                node.state().readOnly);
}

// Whether box draws text whole: a text cut at the box's edge hides whatever
// would follow it, a whole one leaves room where more would show.
bool DrawnWhole(QLineEdit& box, const QString& text) {
    box.setText(text);
    box.setCursorPosition(0);
    const QImage alone = box.grab().toImage();
    box.setText(text + "MMMM");
    box.setCursorPosition(0);
    return box.grab().toImage() != alone;
}

// What a tooltip shows of tip, rich or plain as Qt takes it.
QString Shown(const QString& tip) {
    if (!Qt::mightBeRichText(tip)) return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

// The focus's round from the window's start back to it, and what a reader
// announces at each stop; in the list it reads the entry that will be chosen.
const QString kVantril =
    Said("Vantril", QAccessible::Button, "Opens the objects of the chosen kind in the named database");
const struct {
    const char* widget;
    QString said;
} kTabStops[] = {
    {"cmdVantril", kVantril},
    {"txtDatabase", Said("Database Name:", QAccessible::EditableText, "The database file to open")},
    {"lstType", Said("Form", QAccessible::ListItem)},
    {"cmdNext", Said("Next", QAccessible::Button, "Shows the next object")},
    {"cmdPrev", Said("Previous", QAccessible::Button, "Shows the previous object")},
    {"txtName", Said("Name:", QAccessible::EditableText, {}, true)},
    {"txtDateCreated", Said("Date Created:", QAccessible::EditableText, {}, true)},
    {"txtDateUpdated", Said("Date Updated:", QAccessible::EditableText, {}, true)},
    {"cmdVantril", kVantril},
};

// Every focusable, visible node below root, in tree order.
void Walk(QAccessibleInterface& root, QStringList& said) {
    for (int i = 0; i < root.childCount(); ++i) {
        QAccessibleInterface* child = root.child(i);
        if (child == nullptr) continue;
        if (child->state().focusable && !child->state().invisible) said << Said(*child);
        Walk(*child, said);
    }
}

}  // namespace

class tst_frmVantril : public QObject {
    Q_OBJECT

    std::shared_ptr<CursorSpyProvider> spy_;
    std::unique_ptr<dataaccess::testing::MapResolver> resolver_;
    RecordingPresenter presenter_;
    std::unique_ptr<frmVantril> window_;

    void Click(const char* name) { QTest::mouseClick(Child<QPushButton>(*window_, name), Qt::LeftButton); }
    QAccessibleInterface* Root() { return QAccessible::queryAccessibleInterface(window_.get()); }
    QStringList Boxes() {
        return {Child<QLineEdit>(*window_, "txtName")->text(),
                Child<QLineEdit>(*window_, "txtDateCreated")->text(),
                Child<QLineEdit>(*window_, "txtDateUpdated")->text()};
    }

private slots:
    void init() {
        spy_ = std::make_shared<CursorSpyProvider>();
        resolver_ = std::make_unique<dataaccess::testing::MapResolver>();
        resolver_->Add("Quorbix", spy_);
        presenter_ = RecordingPresenter();
        window_ = std::make_unique<frmVantril>(*resolver_, presenter_);
        window_->show();
        // Under X, focus comes only to a window already mapped.
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }

    void cleanup() { window_.reset(); }

    // These also run at each scale factor (see CMakeLists.txt).
    void controls_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("text");
        auto row = [](const char* name, const char* kind, QRect twips, const char* text) {
            QTest::newRow(name) << QString::fromLatin1(kind) << twips << QString::fromLatin1(text);
        };
        row("Label1", "QLabel", {0, 0, 2775, 375}, "Database Name:");
        row("txtDatabase", "QLineEdit", {0, 480, 3255, 285}, "");
        row("lstType", "QListWidget", {120, 960, 1095, 645}, "");
        row("cmdVantril", "QPushButton", {1440, 960, 1935, 495}, "Vantril");
        row("Label2", "QLabel", {120, 1920, 735, 255}, "Name:");
        row("txtName", "QLineEdit", {1440, 1920, 1695, 285}, "");
        row("Label3", "QLabel", {120, 2280, 1095, 255}, "Date Created:");
        row("txtDateCreated", "QLineEdit", {1440, 2280, 1695, 285}, "");
        row("Label4", "QLabel", {120, 2640, 1095, 255}, "Date Updated:");
        row("txtDateUpdated", "QLineEdit", {1440, 2640, 1695, 285}, "");
        row("cmdPrev", "QPushButton", {720, 3120, 975, 255}, "Previous");
        row("cmdNext", "QPushButton", {1800, 3120, 975, 255}, "Next");
    }

    // In logical pixels, whatever the scale: 15 twips make one. Each caption,
    // and in a date box the widest date with its time in C, en_US, en_GB and
    // de_DE, shows whole in the control's own font.
    void controls() {
        QFETCH(QString, kind);
        QFETCH(QRect, twips);
        QFETCH(QString, text);
        QWidget* control = Child(*window_, QTest::currentDataTag());
        QCOMPARE(QLatin1String(control->metaObject()->className()), kind);
        QCOMPARE(control->geometry(),
                 QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
        QVERIFY(control->isVisible());
        QCOMPARE(control->property("text").toString(), text);
        const QFontMetrics metrics = control->fontMetrics();
        QVERIFY(metrics.horizontalAdvance(text) <= control->contentsRect().width());
        QVERIFY(metrics.height() <= control->contentsRect().height());
        if (QString(QTest::currentDataTag()).startsWith("txtDate")) {
            for (const char* date : {"12/31/2025 12:59:59", "12/31/2025 12:59:59 PM", "31/12/2025 12:59:59",
                                     "31.12.2025 12:59:59"})
                QVERIFY2(DrawnWhole(*qobject_cast<QLineEdit*>(control), date), date);
        }
        // A box is named by the label that describes it to a reader.
        if (qobject_cast<QLineEdit*>(control) != nullptr) {
            const auto labels = QAccessible::queryAccessibleInterface(control)->relations(QAccessible::Label);
            QCOMPARE(labels.size(), qsizetype(1));
            QCOMPARE(control->accessibleName(), labels.front().first->text(QAccessible::Name));
        }
    }

    // Its caption is what a reader announces for it, checked below.
    void windowIsFixedWithTwelveControls() {
        QCOMPARE(window_->size(), QSize(3420 / 15, 3585 / 15));
        QCOMPARE(window_->minimumSize(), window_->maximumSize());
        QCOMPARE(window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), qsizetype(12));
    }

    // Measured, and as drawn: the text's ink keeps off the label's right and
    // bottom edges, where clipping would cut it.
    void label1IsNotClipped() {
        auto* caption = Child<QLabel>(*window_, "Label1");
        const QRect room = caption->contentsRect();
        QVERIFY(room.contains(
            caption->fontMetrics().boundingRect(room, int(caption->alignment()), caption->text())));

        const QImage drawn = caption->grab().toImage();
        // Otherwise this and the layout would pass at the wrong scale.
        QCOMPARE(drawn.devicePixelRatio(),
                 qEnvironmentVariable("QT_SCALE_FACTOR", QStringLiteral("1")).toDouble());
        const QRgb background = drawn.pixel(drawn.width() - 1, drawn.height() - 1);
        QRect ink;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                if (drawn.pixel(x, y) != background) ink |= QRect(x, y, 1, 1);
            }
        }
        QVERIFY2(!ink.isEmpty(), "no text was drawn");
        QVERIFY2(ink.right() < drawn.width() - 1 && ink.bottom() < drawn.height() - 1,
                 "the text reaches an edge");
    }

    void listShowsAllEntriesAndSelectsOnlyOnRequest() {
        auto* list = Child<QListWidget>(*window_, "lstType");
        QCOMPARE(list->count(), 3);
        const QStringList entries = {"Form", "Query", "Report"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(list->item(i)->text(), entries[i]);
            QVERIFY2(list->viewport()->rect().contains(list->visualItemRect(list->item(i))),
                     qPrintable(entries[i] + " is not wholly visible"));
        }
        QVERIFY(!list->verticalScrollBar()->isVisible());
        QCOMPARE(window_->SelectedType(), std::string());

        list->setFocus(Qt::TabFocusReason);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(window_->SelectedType(), std::string("Query"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
        QCOMPARE(window_->SelectedType(), std::string("Report"));
    }

    // Enter and Space press the focused button; Enter elsewhere presses
    // nothing. Next before any catalog is open reports error 101.
    void keysPressOnlyTheFocusedButton_data() {
        QTest::addColumn<QString>("widget");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("Return on cmdVantril") << "cmdVantril" << int(Qt::Key_Return) << "opened";
        QTest::newRow("Enter on cmdVantril") << "cmdVantril" << int(Qt::Key_Enter) << "opened";
        QTest::newRow("Space on cmdVantril") << "cmdVantril" << int(Qt::Key_Space) << "opened";
        QTest::newRow("Return on cmdNext") << "cmdNext" << int(Qt::Key_Return) << "Error 101";
        QTest::newRow("Enter on cmdPrev") << "cmdPrev" << int(Qt::Key_Enter) << "Error 101";
        QTest::newRow("Return in txtDatabase") << "txtDatabase" << int(Qt::Key_Return) << "";
        QTest::newRow("Enter in lstType") << "lstType" << int(Qt::Key_Enter) << "";
    }

    void keysPressOnlyTheFocusedButton() {
        QFETCH(QString, widget);
        QFETCH(int, key);
        QFETCH(QString, outcome);
        QWidget* focused = Child(*window_, qPrintable(widget));
        focused->setFocus(Qt::TabFocusReason);
        QTest::keyClick(focused, Qt::Key(key));
        const QString happened = spy_->rows.calls().empty() ? presenter_.messages.join(u'|') : "opened";
        QCOMPARE(happened.section(u':', 0, 0), outcome);
    }

    // A reader follows the keyboard focus and asks the window which of its nodes
    // has it. Tabbing into the list makes an entry current but selects nothing.
    void tabOrderFollowsRealTabPressesAndIsAnnounced() {
        for (std::size_t stop = 0; stop < std::size(kTabStops); ++stop) {
            if (stop > 0) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(kTabStops[stop].widget));
            QAccessibleInterface* focused = Root()->focusChild();
            QVERIFY2(focused != nullptr && focused->state().focused, kTabStops[stop].widget);
            QCOMPARE(Said(*focused), kTabStops[stop].said);
            QCOMPARE(window_->SelectedType(), std::string());
        }
    }

    // No control a reader can reach goes unnamed, and none is announced but
    // these: a new control must be given its words here.
    void readerFindsEveryFocusableControlAndNoOther() {
        QCOMPARE(Root()->text(QAccessible::Name), QStringLiteral("Vantril"));
        QStringList said;
        Walk(*Root(), said);
        QStringList expected = {
            Said("Object kind", QAccessible::List, "The kind of object to open: Form, Query or Report"),
            Said("Query", QAccessible::ListItem),
            Said("Report", QAccessible::ListItem),
        };
        for (std::size_t stop = 0; stop + 1 < std::size(kTabStops); ++stop) expected << kTabStops[stop].said;
        said.sort();
        expected.sort();
        QCOMPARE(said, expected);
    }

    // Each button runs its operation on the window's own input and boxes.
    void buttonsRunTheirOperations() {
        auto* list = Child<QListWidget>(*window_, "lstType");
        list->setCurrentItem(list->item(1), QItemSelectionModel::ClearAndSelect);
        Child<QLineEdit>(*window_, "txtDatabase")->setText(QStringLiteral("app;1.db"));
        Click("cmdVantril");
        QCOMPARE(spy_->rows.calls().size(), 1u);
        QCOMPARE(spy_->rows.calls()[0].source, std::string("Query;app;1.db"));
        QCOMPARE(Boxes(), QStringList({"", "", ""}));
        Click("cmdNext");
        QCOMPARE(Boxes(), QStringList({"Orders", "03/02/2024 09:15:00", "7"}));
        Click("cmdNext");  // past the end: "At End of File"
        Click("cmdPrev");
        Click("cmdPrev");
        QCOMPARE(Boxes(), QStringList({"Customers", "03/01/2024", "later"}));
        Click("cmdPrev");
        QCOMPARE(presenter_.messages, QStringList({"At End of File", "At Start of File"}));
        QCOMPARE(presenter_.exitStatus, -1);
    }

    // A long Open shows its progress in a box that closes by itself; the
    // window refuses to close meanwhile and otherwise stays as it was.
    void longOpenShowsProgressUntilItEnds() {
        spy_->held = true;
        QString shown;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            auto* box = window_->findChild<QLabel*>(QStringLiteral("openProgress"));
            if (box == nullptr || !box->isVisible() || !shown.isEmpty()) return;
            shown = box->windowTitle() + "|" + box->text() + "|" + QString::number(box->isModal());
            QVERIFY(!window_->close());
            spy_->held = false;
        });
        watch.start(10);
        QTimer::singleShot(10000, [this] { spy_->held = false; });  // never hang
        Click("cmdVantril");
        QCOMPARE(shown, QStringLiteral("Vantril|Objects read so far: 42|1"));
        QVERIFY(window_->isVisible());
        QCOMPARE(window_->findChildren<QLabel*>(QStringLiteral("openProgress")).size(), qsizetype(0));
        QCOMPARE(window_->windowTitle(), QStringLiteral("Vantril"));
        QCOMPARE(Boxes(), QStringList({"", "", ""}));
        QCOMPARE(presenter_.exitStatus, -1);
    }

    void busyCursorShowsDuringAnOperationAndIsRestored() {
        Click("cmdVantril");
        spy_->rows.FailWith({2003, "Cannot find the database."});
        Click("cmdVantril");
        QCOMPARE(spy_->shapes, (QList<int>{Qt::WaitCursor, Qt::WaitCursor}));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QCOMPARE(presenter_.exitStatus, 1);
    }

    // A display box takes no typing but lets its text be copied. A text wider
    // than the box has a tooltip showing it literally, up to 300 characters.
    void displayBoxesShowTheirTextWholeAndLiterally_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("tooltip");
        const QString markup = QString("<img src=/x.png> <b>bold</b> &amp; ").repeated(4);
        QTest::newRow("fits") << QByteArray("Orders") << "Orders"
                              << "";
        QTest::newRow("long") << QByteArray(40000, 'n') << QString(40000, 'n')
                              << QString(300, 'n') + "\u2026";
        QTest::newRow("markup") << markup.toUtf8() << markup << markup;
        QTest::newRow("spaces kept") << QByteArray("a    b").repeated(20) << QString("a    b").repeated(20)
                                     << QString("a    b").repeated(20);
        QTest::newRow("not UTF-8") << QByteArray("a\xff b").repeated(100)
                                   << QString("a\uFFFD b").repeated(100)
                                   << QString("a\uFFFD b").repeated(100).left(300) + "\u2026";
        QTest::newRow("pair at the cut")
            << "x" + QByteArray("\xF0\x9F\x98\x80").repeated(200) << "x" + QString("\U0001F600").repeated(200)
            << "x" + QString("\U0001F600").repeated(149) + "\u2026";
    }

    void displayBoxesShowTheirTextWholeAndLiterally() {
        QFETCH(QByteArray, value);
        QFETCH(QString, shown);
        QFETCH(QString, tooltip);
        auto* box = Child<QLineEdit>(*window_, "txtName");
        window_->SetBoxText(browse::Box::Name, std::string(500, 'w'));  // a tooltip to replace
        window_->SetBoxText(browse::Box::Name, value.toStdString());
        QCOMPARE(box->text(), shown);
        QCOMPARE(Shown(box->toolTip()), tooltip);

        box->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(box, "typed");
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(box->text(), shown);
        QCOMPARE(QGuiApplication::clipboard()->text(), shown);
    }

    // The tooltip comes exactly when a text stops fitting its box.
    void toolTipComesWhenTheTextIsCut() {
        auto* box = Child<QLineEdit>(*window_, "txtName");
        std::string text = "n";
        while (DrawnWhole(*box, QString::fromStdString(text + 'n'))) text += 'n';
        window_->SetBoxText(browse::Box::Name, text);
        QCOMPARE(box->toolTip(), QString());
        window_->SetBoxText(browse::Box::Name, text + 'n');
        QCOMPARE(Shown(box->toolTip()), QString::fromStdString(text + 'n'));
    }

    // A drop on the database box that holds "old.db": one local file replaces
    // the text with its path; anything else is inserted where it lands.
    void dropOnDatabaseBox_data() {
        QTest::addColumn<QList<QUrl>>("urls");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QUrl file = QUrl::fromLocalFile(QStringLiteral("/tmp/my catalog.db"));
        QTest::newRow("local file") << QList<QUrl>{file} << file.toString() << "/tmp/my catalog.db";
        QTest::newRow("URI list alone") << QList<QUrl>{file} << QString() << "/tmp/my catalog.db";
        QTest::newRow("two files") << QList<QUrl>{file, file} << "two"
                                   << "twoold.db";
        QTest::newRow("web address") << QList<QUrl>{QUrl("https://a.test/x.db")} << "web"
                                     << "webold.db";
        QTest::newRow("plain text") << QList<QUrl>{} << "x.db"
                                    << "x.dbold.db";
    }

    void dropOnDatabaseBox() {
        QFETCH(QList<QUrl>, urls);
        QFETCH(QString, text);
        auto* box = Child<QLineEdit>(*window_, "txtDatabase");
        window_->SetDatabaseName(QStringLiteral("old.db"));
        QMimeData data;
        if (!urls.isEmpty()) data.setUrls(urls);
        if (!text.isNull()) data.setText(text);
        QDragEnterEvent enter(QPoint(1, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
        QDropEvent drop(QPointF(1, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &drop);
        QTEST(box->text(), "expected");
    }

    // Per button clicked: Next and Previous before any catalog is open, and
    // Vantril on a database the provider refuses.
    void failurePathReportsAndEnds_data() {
        QTest::addColumn<QString>("message");
        QTest::newRow("cmdNext") << QStringLiteral("Error 101: Object not set");
        QTest::newRow("cmdPrev") << QStringLiteral("Error 101: Object not set");
        QTest::newRow("cmdVantril") << QStringLiteral("Error 2003: Cannot find the database '/x.db'.");
    }

    void failurePathReportsAndEnds() {
        QFETCH(QString, message);
        spy_->rows.FailWith({2003, "Cannot find the database '/x.db'."});
        Click(QTest::currentDataTag());
        QCOMPARE(presenter_.messages.size(), 1);
        QVERIFY2(presenter_.messages[0].startsWith(message), qPrintable(presenter_.messages[0]));
        QCOMPARE(presenter_.exitStatus, 1);
        QVERIFY(presenter_.windowVisibleAtEnd);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    // The real box and the real exit, with a timer standing in for the user.
    // Runs last: it leaves the application's event loop.
    void realBoxAndExitEndTheProgramWithStatusOne() {
        BoxPresenter boxes;
        frmVantril window(*resolver_, boxes);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QString title, text;
        bool okOnly = false, noIcon = false;
        QTimer::singleShot(0, &window,
                           [&] { QTest::mouseClick(Child<QPushButton>(window, "cmdNext"), Qt::LeftButton); });
        QTimer dismiss;
        connect(&dismiss, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            title = box->windowTitle();
            text = box->text();
            okOnly = box->buttons().size() == 1 && box->standardButtons() == QMessageBox::Ok;
            noIcon = box->icon() == QMessageBox::NoIcon;
            box->button(QMessageBox::Ok)->click();
        });
        dismiss.start(10);
        QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });  // never hang

        QCOMPARE(QApplication::exec(), 1);
        QCOMPARE(title, QStringLiteral("Vantril"));
        QVERIFY2(text.startsWith(QLatin1String("Error 101: ")), qPrintable(text));
        QVERIFY(okOnly && noIcon);
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(tst_frmVantril)
#include "tst_frmvantril.moc"
