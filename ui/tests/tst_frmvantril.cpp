// The window through its controls, as users, readers and file managers reach it.
#include <QtTest>
#include <QtWidgets>

#include "boxpresenter.h"
#include "frmvantril.h"
#include "memoryprovider.h"

using dataaccess::Value;
namespace {
// Keeps every message and the exit status instead of showing or exiting.
struct RecordingPresenter final : Presenter {
    QStringList messages;
    int exitStatus = -1;       // -1: not ended; -2: ended with the window hidden
    bool outOfMemory = false;  // the next message runs out of memory
    void ShowMessage(QWidget&, const QString& text) override {
        if (std::exchange(outOfMemory, false)) throw std::bad_alloc();
        messages << text;
    }
    void ShowFailure(QWidget& window, const QString& text) override { ShowMessage(window, text); }
    void EndProgram(QWidget& window, int status) override { exitStatus = window.isVisible() ? status : -2; }
};
// Two rows; an Open stands at progress while held.
struct HeldProvider final : dataaccess::Provider {
    dataaccess::testing::MemoryProvider rows{
        {"Name", "DateCreated", "DateUpdated"},
        {{Value::Text("Customers"), Value::Date({2024, 3, 1, 0, 0, 0}), Value::Text("later")},
         {Value::Text("Orders"), Value::Date({2024, 3, 2, 9, 15, 0}), Value::Integer(7)}}};
    std::atomic<bool> held = false;
    std::uint64_t progress = 0;
    dataaccess::Status Open(std::string_view source, int c, int l, int o,
                            std::unique_ptr<dataaccess::Rowset>& rowset,
                            dataaccess::RowsRead* rowsRead) noexcept override {
        rowsRead->store(progress);
        while (held) QThread::msleep(1);
        return rows.Open(source, c, l, o, rowset, rowsRead);
    }
};
// Whether a box is wide enough for the window manager to draw its caption whole beside an icon and
// three buttons, in the title font.
bool HoldsCaption(const QWidget* box) {
    const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
    return box->width() >= std::max(240, title.horizontalAdvance(box->windowTitle()) + 4 * title.height());
}
}  // namespace

class tst_frmVantril : public QObject {
    Q_OBJECT
    std::shared_ptr<HeldProvider> provider_;
    dataaccess::testing::MapResolver resolver_;
    RecordingPresenter presenter_;
    std::unique_ptr<frmVantril> window_;
    template <typename T = QWidget>
    T* Child(const QString& name) {
        return window_->findChild<T*>(name);
    }
private slots:
    void init() {
        provider_ = std::make_shared<HeldProvider>();
        resolver_.Add("Quorbix", provider_);
        presenter_ = RecordingPresenter();
        window_ = std::make_unique<frmVantril>(resolver_, presenter_);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
    }
    // Also run at other scales and under the GTK theme; captions and kinds fit as measured.
    void layout() {
        QVERIFY(!(window_->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(window_->minimumSize(), window_->maximumSize());
        QCOMPARE(window_->size(), QSize(228, 239));
        const std::tuple<const char*, const char*, QRect> controls[] = {
            // clang-format off
            {"Label1", "Database Name:", {0, 0, 185, 25}},  {"txtDatabase", "", {0, 32, 217, 19}},
            {"lstType", "", {8, 64, 73, 43}},               {"cmdVantril", "Vantril", {96, 64, 129, 33}},
            {"Label2", "Name:", {8, 128, 49, 17}},          {"txtName", "", {96, 128, 113, 19}},
            {"Label3", "Date Created:", {8, 152, 73, 17}},  {"txtDateCreated", "", {96, 152, 113, 19}},
            {"Label4", "Date Updated:", {8, 176, 73, 17}},  {"txtDateUpdated", "", {96, 176, 113, 19}},
            {"cmdPrev", "Previous", {48, 208, 65, 17}},     {"cmdNext", "Next", {120, 208, 65, 17}}};
        // clang-format on
        for (const auto& [name, text, geometry] : controls) {
            QWidget* control = Child(name);
            QCOMPARE(control->geometry(), geometry);
            QCOMPARE(control->property("text").toString(), QLatin1String(text));
            const QRect room = control->contentsRect();
            QVERIFY2(room.contains(control->fontMetrics().boundingRect(room, 0, text)), name);
        }
        QVERIFY(Child("Label1")->fontMetrics().horizontalAdvance("Database Name:") > 185 * 2 / 3);
    }
    // Each stop of the Tab round from the first focus, in the frame named by the title: what a reader
    // needs of it.
    void tabRound() {
        QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(window_.get());
        QCOMPARE(std::pair(frame->text(QAccessible::Name), frame->role()),
                 std::pair(QString("Vantril"), QAccessible::Window));
        using Stop =
            std::tuple<QString, int, bool, bool, bool>;  // name, role, editable, read-only, described
        const int button = QAccessible::Button, box = QAccessible::EditableText;
        for (const Stop& stop :
             {Stop{"Vantril", button, false, false, true}, Stop{"Database Name:", box, true, false, true},
              Stop{"Form", QAccessible::ListItem, false, false, false},
              Stop{"Next", button, false, false, true}, Stop{"Previous", button, false, false, true},
              Stop{"Name:", box, false, true, false}, Stop{"Date Created:", box, false, true, false},
              Stop{"Date Updated:", box, false, true, false}}) {
            QAccessibleInterface* node = frame->focusChild();
            QVERIFY(node != nullptr);
            QCOMPARE(Stop(node->text(QAccessible::Name), node->role(), node->state().editable,
                          node->state().readOnly, !node->text(QAccessible::Description).isEmpty()),
                     stop);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    }
    // Query and "app;1.db" chosen, then Return on each button in turn: how many Opens were asked for,
    // what was said and shown, and the exit status (-1: none).
    void presses_data() {
        QTest::addColumn<QStringList>("controls");
        QTest::addColumn<bool>("outOfMemory");  // the first message fails
        QTest::addColumn<int>("opens");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<int>("exit");
        const QStringList blank{"", "", ""};
        QTest::newRow("Next before an Open")
            << QStringList{"cmdNext"} << false << 0
            << QStringList{"Error 101: Object not set: no record set is open yet. "
                           "Pick a kind and press Vantril first."}
            << blank << 1;
        QTest::newRow("end") << QStringList{"cmdVantril", "cmdNext", "cmdNext"} << false << 1
                             << QStringList{"At End of File"}
                             << QStringList{"Orders", "03/02/2024 09:15:00", "7"} << -1;
        QTest::newRow("out of memory") << QStringList{"cmdVantril", "cmdPrev"} << true << 1
                                       << QStringList{"Error 103: Out of memory."} << blank << 1;
    }
    void presses() {
        QFETCH(QStringList, controls);
        QFETCH(bool, outOfMemory);
        QFETCH(int, opens);
        Child<QListWidget>("lstType")->item(1)->setSelected(true);
        Child<QLineEdit>("txtDatabase")->setText("app;1.db");
        presenter_.outOfMemory = outOfMemory;
        for (const QString& control : controls) {
            Child(control)->setFocus(Qt::TabFocusReason);
            QTest::keyClick(Child(control), Qt::Key_Return);
        }
        QStringList sources, boxes;
        for (const auto& call : provider_->rows.calls()) sources << QString::fromStdString(call.source);
        for (const char* box : {"txtName", "txtDateCreated", "txtDateUpdated"})
            boxes << Child<QLineEdit>(box)->text();
        QCOMPARE(sources, QStringList(opens, "Query;app;1.db"));
        QTEST(presenter_.messages, "messages");
        QTEST(boxes, "boxes");
        QTEST(presenter_.exitStatus, "exit");
    }
    // An Open held for a time, or until its box shows: after the quiet time, the box, busy, wide enough
    // for its caption, with the progress in the window's locale; the window cannot be closed meanwhile.
    void longOpen_data() {
        QTest::addColumn<int>("held");  // milliseconds
        QTest::addColumn<quint64>("progress");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("shown");
        QTest::newRow("quick") << 200 << 7ull << "C"
                               << "";
        QTest::newRow("reading, en_US") << 10000 << 1500000ull << "en_US"
                                        << "Objects read so far: 1,500,000";
        QTest::newRow("sorting, de_DE") << 10000 << (1500000ull | dataaccess::kSortingRows) << "de_DE"
                                        << "Sorting 1.500.000 objects\u2026";
    }
    void longOpen() {
        QFETCH(int, held);
        QFETCH(quint64, progress);
        QFETCH(QString, locale);
        provider_->progress = progress;
        window_->setLocale(QLocale(locale));
        QString shown;
        bool closed = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            auto* box = window_->findChild<QDialog*>("openProgress");
            if (box == nullptr || !box->isVisible() || !shown.isEmpty()) return;
            shown = box->findChild<QLabel*>()->text();
            QVERIFY(HoldsCaption(box) && box->findChild<QProgressBar*>()->maximum() == 0);
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            closed = window_->close();
            provider_->held = false;
        });
        watch.start(10);
        QTimer::singleShot(held, [provider = provider_] { provider->held = false; });  // also: never hang
        provider_->held = true;
        QTest::mouseClick(Child<QPushButton>("cmdVantril"), Qt::LeftButton);
        QTEST(shown, "shown");
        QVERIFY(!closed && !window_->findChild<QDialog*>("openProgress") &&
                !QGuiApplication::overrideCursor());
    }
    // A local file dropped on the name box replaces its text with the file's path.
    void drop() {
        auto* box = Child<QLineEdit>("txtDatabase");
        box->setText("old.db");
        QMimeData data;
        data.setUrls({QUrl("file:///my%20a.db")});
        QDragEnterEvent enter(QPoint(1, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(QPointF(1, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(box, &enter);
        QApplication::sendEvent(box, &drop);
        QCOMPARE(box->text(), QStringLiteral("/my a.db"));
    }
    // A value drawn cut, and only that, has a literal tooltip, capped at 300 characters.
    void displayBoxes_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("tooltip");
        const QString markup = QString("<img src=/x.png> <b>bold</b>    &amp; ").repeated(4);
        QTest::newRow("widest date") << "12/31/2025 12:59:59 PM"
                                     << "";
        QTest::newRow("long") << QString(40000, 'n') << QString(300, 'n') + "\u2026";
        QTest::newRow("markup, spaces") << markup << markup;
    }
    void displayBoxes() {
        QFETCH(QString, value);
        auto* box = Child<QLineEdit>("txtDateCreated");
        window_->SetBoxText(browse::Box::DateCreated, value.toStdString());
        QTest::keyClicks(box, "typed");  // and the box takes no typing
        QCOMPARE(box->text(), value);
        QCOMPARE(box->cursorPosition(), 0);
        QTEST(QTextDocumentFragment::fromHtml(box->toolTip()).toPlainText(), "tooltip");
    }
    // The real boxes, a timer as the user: captioned, plain text, OK only, wide enough for the caption,
    // and a long text in at most two lines. Also run at other scales and under the GTK theme.
    void boxes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QMessageBox::Icon>("icon");
        QTest::newRow("message") << "At End of File" << QMessageBox::NoIcon;
        QTest::newRow("failure") << "Error 2011: The database '/home/someone/<b>Documents</b>/catalogs/2024' "
                                    "is a folder, not a database file."
                                 << QMessageBox::Critical;
    }
    void boxes() {
        QFETCH(QString, text);
        QFETCH(QMessageBox::Icon, icon);
        BoxPresenter boxes;
        QTimer dismiss;
        connect(&dismiss, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible()) return;
            box->button(QMessageBox::Ok)->click();  // first, so that no failure below leaves it open
            const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
            QCOMPARE(std::tuple(box->windowTitle(), label->text(), label->textFormat(),
                                box->standardButtons(), box->icon()),
                     std::tuple(QString("Vantril"), text, Qt::PlainText,
                                QMessageBox::StandardButtons(QMessageBox::Ok), icon));
            QVERIFY(HoldsCaption(box));
            QVERIFY(label->heightForWidth(label->width()) < 3 * label->fontMetrics().lineSpacing());
        });
        dismiss.start(10);
        if (icon == QMessageBox::Critical)
            boxes.ShowFailure(*window_, text);
        else
            boxes.ShowMessage(*window_, text);
    }
};

QTEST_MAIN(tst_frmVantril)
#include "tst_frmvantril.moc"
