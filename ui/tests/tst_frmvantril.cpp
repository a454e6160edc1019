// The window through its controls, as users, readers and file managers reach it.
#include <QtTest>
#include <QtWidgets>
#include <atomic>

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
        messages << (QThread::currentThread() == qApp->thread() ? text : "off the window's thread: " + text);
    }
    void ShowFailure(QWidget& window, const QString& text) override { ShowMessage(window, text); }
    void EndProgram(QWidget& window, int status) override { exitStatus = window.isVisible() ? status : -2; }
};
// Two rows; notes the cursor at every Open, which while held stands at progress.
struct CursorSpyProvider final : dataaccess::Provider {
    dataaccess::testing::MemoryProvider rows{
        {"Name", "DateCreated", "DateUpdated"},
        {{Value::Text("Customers"), Value::Date({2024, 3, 1, 0, 0, 0}), Value::Text("later")},
         {Value::Text("Orders"), Value::Date({2024, 3, 2, 9, 15, 0}), Value::Integer(7)}}};
    QList<int> shapes;  // -1: no override cursor
    std::atomic<bool> held = false;
    std::uint64_t progress = 42;
    dataaccess::Status Open(std::string_view source, int c, int l, int o,
                            std::unique_ptr<dataaccess::Rowset>& rowset,
                            dataaccess::RowsRead* rowsRead) noexcept override {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        shapes << (cursor ? static_cast<int>(cursor->shape()) : -1);
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
// What a label or tooltip in format shows of text.
QString Shown(const QString& text, Qt::TextFormat format = Qt::AutoText) {
    const bool rich = format == Qt::RichText || (format == Qt::AutoText && Qt::mightBeRichText(text));
    return rich ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
}
}  // namespace

class tst_frmVantril : public QObject {
    Q_OBJECT
    std::shared_ptr<CursorSpyProvider> spy_;
    dataaccess::testing::MapResolver resolver_;
    RecordingPresenter presenter_;
    std::unique_ptr<frmVantril> window_;
    template <typename T = QWidget>
    T* Child(const QString& name) {
        return window_->findChild<T*>(name);
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
    // Also run at other scales and under the GTK theme; captions and kinds fit as measured.
    void layout() {
        QCOMPARE(window_->grab().devicePixelRatio(), qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
        QCOMPARE(window_->windowTitle(), QStringLiteral("Vantril"));
        QCOMPARE(window_->minimumSize(), QSize(228, 239));
        QCOMPARE(window_->maximumSize(), QSize(228, 239));
        const Qt::WindowFlags buttons = Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;
        QCOMPARE(window_->windowFlags() & buttons, Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
        QCOMPARE(window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), qsizetype(12));
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
        auto* list = Child<QListWidget>("lstType");
        QCOMPARE(list->count(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY(list->viewport()->rect().contains(list->visualItemRect(list->item(i))));
        QVERIFY(!list->verticalScrollBar()->isVisible());
    }
    // Tab round from the first focus: name|role|description|read-only 1 + editable 2; the list stays
    // unselected. The window is a frame named by its title.
    void tabOrderAndWhatAReaderSays() {
        QAccessibleInterface* root = QAccessible::queryAccessibleInterface(window_.get());
        QCOMPARE(root->text(QAccessible::Name) + "|" + QString::number(root->role()), "Vantril|9");
        const QString vantril = "Vantril|43|Opens the objects of the chosen kind in the named database|0";
        for (const QString& said :
             {vantril, QString("Database Name:|42|The database file to open|2"), QString("Form|34||0"),
              QString("Next|43|Shows the next object|0"), QString("Previous|43|Shows the previous object|0"),
              QString("Name:|42||1"), QString("Date Created:|42||1"), QString("Date Updated:|42||1"),
              vantril}) {
            QAccessibleInterface* node = root->focusChild();
            QVERIFY2(node != nullptr && node->state().focused, qPrintable(said));
            const QStringList got{node->text(QAccessible::Name), QString::number(node->role()),
                                  node->text(QAccessible::Description),
                                  QString::number(node->state().readOnly + 2 * node->state().editable)};
            QCOMPARE(got.join(u'|'), said);
            QVERIFY(Child<QListWidget>("lstType")->selectedItems().isEmpty());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
    }
    // Outcome: sources opened|messages|boxes|exit status, and a long Open's progress box and
    // whether the window closed meanwhile. "oom" fails the next message; "drop=URLs+text".
    void actions_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char* tag, const char* steps, const char* outcome) {
            QTest::newRow(tag) << QString(steps) << QString(outcome);
        };
        // clang-format off
        row("Enter, Space on Vantril", "pick=Report Enter@cmdVantril Space@cmdVantril", "Report;,Report;||,,,|-1");
        row("Return on Next", "Return@cmdNext", "|Error 101: Object not set|,,,|1");
        row("Enter on Previous", "Enter@cmdPrev", "|Error 101: Object not set|,,,|1");
        row("Return in the box or list", "Return@txtDatabase Enter@lstType", "||,,,|-1");
        row("Vantril shows nothing", "pick=Query name=app;1.db cmdVantril", "Query;app;1.db||app;1.db,,,|-1");
        row("Next", "cmdVantril cmdNext", ";||,Orders,03/02/2024 09:15:00,7|-1");
        row("both ends", "cmdVantril cmdNext cmdNext cmdPrev cmdPrev cmdPrev",
            ";|At End of File,At Start of File|,Customers,03/01/2024,later|-1");
        row("out of memory", "cmdVantril oom cmdPrev", ";|Error 103: Out of memory.|,,,|1");
        row("long Open", "slow cmdVantril", ";||,,,|-1|Vantril: Objects read so far: 42, closed 0");
        row("long Open, en_US", "slow read=1500000 locale=en_US cmdVantril",
            ";||,,,|-1|Vantril: Objects read so far: 1,500,000, closed 0");
        row("sorting, de_DE", "slow sort=1500000 locale=de_DE cmdVantril",
            ";||,,,|-1|Vantril: Sorting 1.500.000 objects\u2026, closed 0");
        row("drop a file", "name=old.db drop=file:///my%20a.db+file:///my%20a.db", "||/my a.db,,,|-1");
        row("drop its URI alone", "pick=Form drop=file:///my%20a.db cmdVantril", "Form;/my a.db||/my a.db,,,|-1");
        row("drop two files", "name=old.db drop=file:///a.db,file:///b.db+two", "||twoold.db,,,|-1");
        row("drop text", "name=old.db drop=+x.db", "||x.dbold.db,,,|-1");
        // clang-format on
    }
    void actions() {
        QFETCH(QString, steps);
        QString progress;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            auto* box = window_->findChild<QWidget*>("openProgress");
            if (box == nullptr || !box->isVisible() || !progress.isEmpty()) return;
            const auto* busy = box->findChild<QProgressBar*>();
            progress = "|" + box->windowTitle() + ": " + box->findChild<QLabel*>()->text() + ", closed " +
                       QString::number(window_->close());
            if (!HoldsCaption(box) || busy->maximum() != 0) progress += ", narrow or not busy";
            spy_->held = false;
        });
        watch.start(10);
        QTimer::singleShot(10000, [spy = spy_] { spy->held = false; });  // never hang
        for (const QString& step : steps.split(u' ')) {
            const QString value = step.section(u'=', 1);
            QWidget* focused = step.contains(u'@') ? Child(step.section(u'@', 1)) : nullptr;
            if (step == "oom") presenter_.outOfMemory = true;
            if (step.startsWith("read=")) spy_->progress = value.toULongLong();
            if (step.startsWith("sort=")) spy_->progress = value.toULongLong() | dataaccess::kSortingRows;
            if (step.startsWith("locale=")) window_->setLocale(QLocale(value));
            spy_->held = spy_->held || step == "slow";
            if (step.startsWith("cmd")) QTest::mouseClick(Child<QPushButton>(step), Qt::LeftButton);
            if (step.startsWith("name=")) Child<QLineEdit>("txtDatabase")->setText(value);
            if (step.startsWith("pick="))
                Child<QListWidget>("lstType")->findItems(value, {})[0]->setSelected(true);
            if (focused != nullptr) focused->setFocus(Qt::TabFocusReason);
            if (focused != nullptr)
                QTest::keyClick(focused, Qt::Key(QKeySequence(step.section(u'@', 0, 0))[0].key()));
            if (!step.startsWith("drop=")) continue;
            QMimeData data;
            if (!value.startsWith(u'+'))
                data.setUrls(QUrl::fromStringList(value.section(u'+', 0, 0).split(u',')));
            if (value.contains(u'+')) data.setText(value.section(u'+', 1));
            QDragEnterEvent enter(QPoint(1, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QDropEvent drop(QPointF(1, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(Child("txtDatabase"), &enter);
            if (enter.isAccepted()) QApplication::sendEvent(Child("txtDatabase"), &drop);
        }
        QStringList asked, said, boxes;
        for (const auto& call : spy_->rows.calls()) asked << QString::fromStdString(call.source);
        for (const QString& message : presenter_.messages) said << message.section(u':', 0, 1);
        for (const char* box : {"txtDatabase", "txtName", "txtDateCreated", "txtDateUpdated"})
            boxes << Child<QLineEdit>(box)->text();
        QCOMPARE(spy_->shapes, QList<int>(asked.size(), Qt::WaitCursor));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(window_->isVisible() && !window_->findChild<QWidget*>("openProgress"));
        const QString exit = QString::number(presenter_.exitStatus);
        QTEST(QStringList({asked.join(u','), said.join(u','), boxes.join(u','), exit}).join(u'|') + progress,
              "outcome");
    }
    // A value drawn cut, and only that, has a literal tooltip, capped at 300 characters.
    void displayBoxes_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("tooltip");
        const QString markup = QString("<img src=/x.png> <b>bold</b>    &amp; ").repeated(4);
        const QString cut = "\u2026", smile = "\U0001F600";
        // clang-format off
        QTest::newRow("fits") << QByteArray("Orders") << "Orders" << "";
        for (const char* date : {"12/31/2025 12:59:59 PM", "31/12/2025 12:59:59", "31.12.2025 12:59:59"})
            QTest::newRow(date) << QByteArray(date) << date << "";
        QTest::newRow("long") << QByteArray(40000, 'n') << QString(40000, 'n') << QString(300, 'n') + cut;
        QTest::newRow("markup, spaces") << markup.toUtf8() << markup << markup;
        QTest::newRow("not UTF-8") << QByteArray("a\xff b") << "a\uFFFD b" << "";
        QTest::newRow("pair cut") << ("x" + smile.repeated(200)).toUtf8() << "x" + smile.repeated(200)
                                  << "x" + smile.repeated(149) + cut;
        // clang-format on
    }
    void displayBoxes() {
        QFETCH(QByteArray, value);
        QFETCH(QString, shown);
        auto* box = Child<QLineEdit>("txtDateCreated");
        window_->SetBoxText(browse::Box::DateCreated, std::string(500, 'w'));  // a tooltip to replace
        window_->SetBoxText(browse::Box::DateCreated, value.toStdString());
        QCOMPARE(box->text(), shown);
        QCOMPARE(box->cursorPosition(), 0);
        QTEST(Shown(box->toolTip()), "tooltip");
        const QImage alone = box->grab().toImage();  // a cut text hides what would follow it
        box->setText(shown + "MMMM");
        box->setCursorPosition(0);
        QCOMPARE(box->grab().toImage() != alone, box->toolTip().isEmpty());
    }
    // The real boxes, a timer as the user: caption|text|buttons|icon|holds its caption|at most two lines
    // (on a screen at least 800 wide). Also run at other scales and under the GTK theme.
    void boxes() {
        BoxPresenter boxes;
        QStringList seen;
        QTimer dismiss;
        connect(&dismiss, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
            const int lines = label->wordWrap()
                                  ? label->heightForWidth(label->width()) / label->fontMetrics().lineSpacing()
                                  : 1;
            seen << QString("%1|%2|%3|%4|%5|%6")
                        .arg(box->windowTitle(), Shown(label->text(), label->textFormat()))
                        .arg(box->standardButtons())
                        .arg(box->icon())
                        .arg(HoldsCaption(box))
                        .arg(lines <= 2 || box->screen()->availableGeometry().width() < 800);
            box->button(QMessageBox::Ok)->click();
        });
        dismiss.start(10);
        const QString folder =
            "Error 2011: The database '/home/someone/Documents/catalogs/2024' is a folder, "
            "not a database file.";
        boxes.ShowMessage(*window_, "At End of File");
        boxes.ShowFailure(*window_, "Error 2010: No file '<b>x</b>.db'.");
        boxes.ShowFailure(*window_, folder);
        QCOMPARE(seen, QStringList({"Vantril|At End of File|1024|0|1|1",
                                    "Vantril|Error 2010: No file '<b>x</b>.db'.|1024|3|1|1",
                                    "Vantril|" + folder + "|1024|3|1|1"}));
    }
    // Exit; last, as it leaves the event loop.
    void realExit() {
        BoxPresenter boxes;
        QTimer::singleShot(0, [&] { boxes.EndProgram(*window_, 1); });
        QTimer::singleShot(10000, [] { QCoreApplication::exit(99); });  // never hang
        QCOMPARE(QApplication::exec(), 1);
        QVERIFY(!window_->isVisible());
    }
};

QTEST_MAIN(tst_frmVantril)
#include "tst_frmvantril.moc"
