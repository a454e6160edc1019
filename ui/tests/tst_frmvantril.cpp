// The window through its controls: its fixed layout (again at other scales
// and under the GTK theme), keys, what a reader hears, its buttons, drops,
// the progress of a long Open and the failure path.
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
#include <new>

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
    int exitStatus = -1;       // -1: the program was not ended
    bool outOfMemory = false;  // the next message runs out of memory
    void ShowMessage(QWidget&, const QString& text) override {
        if (std::exchange(outOfMemory, false)) throw std::bad_alloc();
        messages << (QThread::currentThread() == qApp->thread() ? text : "off the window's thread: " + text);
    }
    void EndProgram(QWidget& window, int status) override { exitStatus = window.isVisible() ? status : -2; }
};

// Two rows in memory; notes the cursor at every Open. While held, an Open
// has read 42 rows and waits.
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

// What a reader says on reaching a node: name, role, description, read-only.
QString Said(QAccessibleInterface& node) {
    return QStringList{node.text(QAccessible::Name), QString::number(node.role()),
                       node.text(QAccessible::Description), node.state().readOnly ? "read-only" : ""}
        .join(u'|');
}

// Whether box draws text whole: a cut text hides what would follow it.
bool DrawnWhole(QLineEdit& box, const QString& text) {
    box.setText(text);
    box.setCursorPosition(0);
    const QImage alone = box.grab().toImage();
    box.setText(text + "MMMM");
    box.setCursorPosition(0);
    return box.grab().toImage() != alone;
}

// What a label or tooltip in format shows of text.
QString Shown(const QString& text, Qt::TextFormat format = Qt::AutoText) {
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text))) return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

// The fixed layout in logical pixels, whatever the scale.
const struct {
    const char* name;
    const char* text;
    QRect geometry;
} kControls[] = {
    {"Label1", "Database Name:", {0, 0, 185, 25}},
    {"txtDatabase", "", {0, 32, 217, 19}},
    {"lstType", "", {8, 64, 73, 43}},
    {"cmdVantril", "Vantril", {96, 64, 129, 33}},
    {"Label2", "Name:", {8, 128, 49, 17}},
    {"txtName", "", {96, 128, 113, 19}},
    {"Label3", "Date Created:", {8, 152, 73, 17}},
    {"txtDateCreated", "", {96, 152, 113, 19}},
    {"Label4", "Date Updated:", {8, 176, 73, 17}},
    {"txtDateUpdated", "", {96, 176, 113, 19}},
    {"cmdPrev", "Previous", {48, 208, 65, 17}},
    {"cmdNext", "Next", {120, 208, 65, 17}},
};

}  // namespace

class tst_frmVantril : public QObject {
    Q_OBJECT

    std::shared_ptr<CursorSpyProvider> spy_;
    dataaccess::testing::MapResolver resolver_;
    RecordingPresenter presenter_;
    std::unique_ptr<frmVantril> window_;

    void Click(const char* name) { QTest::mouseClick(Child<QPushButton>(*window_, name), Qt::LeftButton); }
    QStringList Boxes() {
        return {Child<QLineEdit>(*window_, "txtName")->text(),
                Child<QLineEdit>(*window_, "txtDateCreated")->text(),
                Child<QLineEdit>(*window_, "txtDateUpdated")->text()};
    }

private slots:
    void init() {
        spy_ = std::make_shared<CursorSpyProvider>();
        resolver_.Add("Quorbix", spy_);
        presenter_ = RecordingPresenter();
        window_ = std::make_unique<frmVantril>(resolver_, presenter_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));  // under X, focus comes only once mapped
        window_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    }
    void cleanup() { window_.reset(); }

    // Also run at each scale and under the GTK theme (see CMakeLists.txt).
    // Each caption, and the widest date with its time in C, en_US, en_GB and
    // de_DE, fits its control as measured and as drawn.
    void layout() {
        QCOMPARE(window_->windowTitle(), QStringLiteral("Vantril"));
        QCOMPARE(window_->size(), QSize(228, 239));
        QCOMPARE(window_->minimumSize(), window_->maximumSize());
        QCOMPARE(window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), qsizetype(12));
        for (const auto& [name, text, geometry] : kControls) {
            QWidget* control = Child(*window_, name);
            QCOMPARE(control->geometry(), geometry);
            QCOMPARE(control->property("text").toString(), QLatin1String(text));
            const QRect room = control->contentsRect();
            QVERIFY2(room.contains(control->fontMetrics().boundingRect(room, 0, text)), name);
        }
        for (const char* date : {"12/31/2025 12:59:59", "12/31/2025 12:59:59 PM", "31/12/2025 12:59:59",
                                 "31.12.2025 12:59:59"}) {
            QVERIFY2(DrawnWhole(*Child<QLineEdit>(*window_, "txtDateCreated"), date), date);
        }
        // The caption's ink keeps off the label's edges and fills most of it.
        const QImage drawn = Child(*window_, "Label1")->grab().toImage();
        QCOMPARE(drawn.devicePixelRatio(), qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
        QRect ink;
        for (int y = 0; y < drawn.height(); ++y) {
            for (int x = 0; x < drawn.width(); ++x) {
                if (drawn.pixel(x, y) != drawn.pixel(drawn.width() - 1, drawn.height() - 1))
                    ink |= {x, y, 1, 1};
            }
        }
        QVERIFY2(ink.right() < drawn.width() - 1 && ink.bottom() < drawn.height() - 1, "the caption is cut");
        QVERIFY2(ink.width() > drawn.width() * 2 / 3, "the caption is small");
        // The three kinds show whole; one is chosen only on request.
        auto* list = Child<QListWidget>(*window_, "lstType");
        QCOMPARE(list->count(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(list->viewport()->rect().contains(list->visualItemRect(list->item(i))));
        QVERIFY(!list->verticalScrollBar()->isVisible());
        QCOMPARE(window_->SelectedType(), std::string());
        list->setFocus(Qt::TabFocusReason);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(window_->SelectedType(), std::string("Query"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
        QCOMPARE(window_->SelectedType(), std::string("Report"));
    }

    // Enter and Space press the focused button; elsewhere Enter presses nothing.
    void keys_data() {
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
    void keys() {
        QFETCH(QString, widget);
        QFETCH(int, key);
        QWidget* focused = Child(*window_, qPrintable(widget));
        focused->setFocus(Qt::TabFocusReason);
        QTest::keyClick(focused, Qt::Key(key));
        const QString happened = spy_->rows.calls().empty() ? presenter_.messages.join(u'|') : "opened";
        QTEST(happened.section(u':', 0, 0), "outcome");
    }

    // Real Tab presses from the first focus round to it; a reader follows the
    // focus and announces each stop. Tabbing into the list selects nothing.
    void tabOrderAndWhatAReaderSays() {
        const char* const stops[][2] = {
            {"cmdVantril", "Vantril|43|Opens the objects of the chosen kind in the named database|"},
            {"txtDatabase", "Database Name:|42|The database file to open|"},
            {"lstType", "Form|34||"},
            {"cmdNext", "Next|43|Shows the next object|"},
            {"cmdPrev", "Previous|43|Shows the previous object|"},
            {"txtName", "Name:|42||read-only"},
            {"txtDateCreated", "Date Created:|42||read-only"},
            {"txtDateUpdated", "Date Updated:|42||read-only"},
            {"cmdVantril", "Vantril|43|Opens the objects of the chosen kind in the named database|"},
        };
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window_.get());
        QCOMPARE(root->text(QAccessible::Name), QStringLiteral("Vantril"));
        for (const auto& [widget, said] : stops) {
            QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(widget));
            QAccessibleInterface* node = root->focusChild();
            QVERIFY2(node != nullptr && node->state().focused, widget);
            QCOMPARE(Said(*node), QLatin1String(said));
            QCOMPARE(window_->SelectedType(), std::string());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    }

    // Each button runs its operation on the window's input, under a busy cursor.
    void buttonsRunTheirOperations() {
        auto* list = Child<QListWidget>(*window_, "lstType");
        list->setCurrentItem(list->item(1), QItemSelectionModel::ClearAndSelect);
        Child<QLineEdit>(*window_, "txtDatabase")->setText(QStringLiteral("app;1.db"));
        Click("cmdVantril");
        QCOMPARE(spy_->rows.calls().size(), 1u);
        QCOMPARE(spy_->rows.calls()[0].source, std::string("Query;app;1.db"));
        QCOMPARE(spy_->shapes, QList<int>{Qt::WaitCursor});
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QCOMPARE(Boxes(), QStringList({"", "", ""}));
        Click("cmdNext");
        QCOMPARE(Boxes(), QStringList({"Orders", "03/02/2024 09:15:00", "7"}));
        Click("cmdNext");
        Click("cmdPrev");
        Click("cmdPrev");
        QCOMPARE(Boxes(), QStringList({"Customers", "03/01/2024", "later"}));
        Click("cmdPrev");
        QCOMPARE(presenter_.messages, QStringList({"At End of File", "At Start of File"}));
        QCOMPARE(presenter_.exitStatus, -1);
    }

    // A long Open shows its progress in a box that closes by itself; the
    // window refuses to close meanwhile and otherwise stays as it was.
    void longOpenShowsProgress() {
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
        QVERIFY(window_->findChild<QLabel*>(QStringLiteral("openProgress")) == nullptr);
        QCOMPARE(Boxes(), QStringList({"", "", ""}));
        QCOMPARE(presenter_.exitStatus, -1);
    }

    // A display box takes no typing but lets its text be copied, and shows
    // its beginning. A cut text has a tooltip showing it literally, capped.
    void displayBoxes_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("tooltip");
        const QString markup = QString("<img src=/x.png> <b>bold</b> &amp; ").repeated(4);
        const QString spaces = QString("a    b").repeated(20);
        QTest::newRow("fits") << QByteArray("Orders") << "Orders"
                              << "";
        QTest::newRow("long") << QByteArray(40000, 'n') << QString(40000, 'n')
                              << QString(300, 'n') + "\u2026";
        QTest::newRow("markup") << markup.toUtf8() << markup << markup;
        QTest::newRow("spaces kept") << spaces.toUtf8() << spaces << spaces;
        QTest::newRow("not UTF-8") << QByteArray("a\xff b").repeated(100)
                                   << QString("a\uFFFD b").repeated(100)
                                   << QString("a\uFFFD b").repeated(75) + "\u2026";
        QTest::newRow("pair at the cut")
            << "x" + QByteArray("\xF0\x9F\x98\x80").repeated(200) << "x" + QString("\U0001F600").repeated(200)
            << "x" + QString("\U0001F600").repeated(149) + "\u2026";
    }
    void displayBoxes() {
        QFETCH(QByteArray, value);
        QFETCH(QString, shown);
        auto* box = Child<QLineEdit>(*window_, "txtName");
        window_->SetBoxText(browse::Box::Name, std::string(500, 'w'));  // a tooltip to replace
        window_->SetBoxText(browse::Box::Name, value.toStdString());
        QCOMPARE(box->text(), shown);
        QCOMPARE(box->cursorPosition(), 0);
        QTEST(Shown(box->toolTip()), "tooltip");
        box->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(box, "typed");
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(box->text(), shown);
        QCOMPARE(QGuiApplication::clipboard()->text(), shown);
        // The tooltip comes exactly when a text stops fitting its box.
        QString text = "n";
        while (DrawnWhole(*box, text + 'n')) text += 'n';
        window_->SetBoxText(browse::Box::Name, text.toStdString());
        QCOMPARE(box->toolTip(), QString());
        window_->SetBoxText(browse::Box::Name, text.toStdString() + 'n');
        QCOMPARE(Shown(box->toolTip()), text + 'n');
    }

    // A drop on the database box that holds "old.db": one local file replaces
    // the text with its path; anything else is inserted where it lands.
    void drop_data() {
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
    void drop() {
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

    // One message, then the end with status 1 while the window still shows.
    // "refuse": the provider refuses; "oom": the next message runs out of memory.
    void failurePath_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("message");
        const QString notSet =
            "Error 101: Object not set: no record set is open yet. Pick a kind and press "
            "Vantril first.";
        QTest::newRow("Next first") << QStringList{"cmdNext"} << notSet;
        QTest::newRow("Previous first") << QStringList{"cmdPrev"} << notSet;
        QTest::newRow("refused") << QStringList{"refuse", "cmdVantril"} << "Error 2003: Cannot find '/x.db'.";
        QTest::newRow("out of memory")
            << QStringList{"cmdVantril", "oom", "cmdPrev"} << "Error 103: Out of memory.";
    }
    void failurePath() {
        QFETCH(QStringList, steps);
        for (const QString& step : steps) {
            if (step == "refuse")
                spy_->rows.FailWith({2003, "Cannot find '/x.db'."});
            else if (step == "oom")
                presenter_.outOfMemory = true;
            else
                Click(qPrintable(step));
        }
        QTEST(presenter_.messages.join(u'|'), "message");
        QCOMPARE(presenter_.exitStatus, 1);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    // The real box and the real exit, a timer standing in for the user. Runs
    // last: it leaves the application's event loop.
    void realBoxAndExit() {
        BoxPresenter boxes;
        frmVantril window(resolver_, boxes);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        spy_->rows.FailWith({2010, "No file '<b>x</b>.db'."});
        QTimer::singleShot(
            0, &window, [&] { QTest::mouseClick(Child<QPushButton>(window, "cmdVantril"), Qt::LeftButton); });
        QString seen;
        QTimer dismiss;
        connect(&dismiss, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            seen = QStringList{box->windowTitle(), Shown(label->text(), label->textFormat()),
                               QString::number(box->buttons().size()),
                               QString::number(box->standardButtons()), QString::number(box->icon())}
                       .join(u'|');
            box->button(QMessageBox::Ok)->click();
        });
        dismiss.start(10);
        QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });  // never hang
        QCOMPARE(QApplication::exec(), 1);
        QCOMPARE(seen, QStringLiteral("Vantril|Error 2010: No file '<b>x</b>.db'.|1|1024|0"));
        QVERIFY(!window.isVisible());
    }
};

QTEST_MAIN(tst_frmVantril)
#include "tst_frmvantril.moc"
