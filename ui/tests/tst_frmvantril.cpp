#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <memory>

#include "boxpresenter.h"
#include "frmvantril.h"
#include "memoryprovider.h"
#include "recordingpresenter.h"

using dataaccess::DateTime;
using dataaccess::Value;
using dataaccess::testing::MapResolver;
using dataaccess::testing::MemoryProvider;

namespace {

const std::vector<std::string> kColumns = {"Name", "DateCreated", "DateUpdated"};

// Notes the application's cursor at every Open, to see the busy cursor.
class CursorSpyProvider final : public dataaccess::Provider {
public:
    explicit CursorSpyProvider(std::shared_ptr<MemoryProvider> rows) : rows_(std::move(rows)) {}
    QList<int> shapes;  // -1: no override cursor

    dataaccess::Status Open(std::string_view source, int c, int l, int o,
                            std::unique_ptr<dataaccess::Rowset>& rowset) noexcept override {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        shapes << (cursor ? static_cast<int>(cursor->shape()) : -1);
        return rows_->Open(source, c, l, o, rowset);
    }

private:
    std::shared_ptr<MemoryProvider> rows_;
};

template <typename T>
T* Child(QWidget& window, const char* name) {
    T* child = window.findChild<T*>(QLatin1String(name));
    if (child == nullptr) qFatal("no control named %s", name);
    return child;
}

}  // namespace

class tst_frmVantril : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void controls_data();
    void controls();
    void windowIsFixedAndCaptioned();
    void fonts();
    void tabOrderFollowsRealTabPresses();
    void listShowsAllEntriesAndSelectsOnlyOnRequest();
    void buttonsRunTheirOperations();
    void busyCursorShowsDuringAnOperationAndIsRestored();
    void displayBoxesShowLongAndOddTextWhole();
    void failurePathReportsAndEnds_data();
    void failurePathReportsAndEnds();
    void realBoxAndExitEndTheProgramWithStatusOne();

private:
    void Open(const char* kind, const char* database);

    std::shared_ptr<MemoryProvider> rows_;
    std::shared_ptr<CursorSpyProvider> spy_;
    std::unique_ptr<MapResolver> resolver_;
    RecordingPresenter presenter_;
    std::unique_ptr<frmVantril> window_;
};

void tst_frmVantril::init() {
    rows_ = std::make_shared<MemoryProvider>(
        kColumns,
        std::vector<std::vector<Value>>{
            {Value::Text("Customers"), Value::Date(DateTime{2024, 3, 1, 0, 0, 0}), Value::Text("later")},
            {Value::Text("Orders"), Value::Date(DateTime{2024, 3, 2, 9, 15, 0}), Value::Integer(7)},
        });
    spy_ = std::make_shared<CursorSpyProvider>(rows_);
    resolver_ = std::make_unique<MapResolver>();
    resolver_->Add("Quorbix", spy_);
    presenter_ = RecordingPresenter();
    window_ = std::make_unique<frmVantril>(*resolver_, presenter_);
    window_->show();
    QApplication::setActiveWindow(window_.get());
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
}

void tst_frmVantril::cleanup() { window_.reset(); }

void tst_frmVantril::Open(const char* kind, const char* database) {
    auto* list = Child<QListWidget>(*window_, "lstType");
    const QList<QListWidgetItem*> found = list->findItems(QLatin1String(kind), Qt::MatchExactly);
    if (!found.isEmpty()) list->setCurrentItem(found.front(), QItemSelectionModel::ClearAndSelect);
    Child<QLineEdit>(*window_, "txtDatabase")->setText(QLatin1String(database));
    QTest::mouseClick(Child<QPushButton>(*window_, "cmdVantril"), Qt::LeftButton);
}

void tst_frmVantril::controls_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("accessibleName");

    auto row = [](const char* name, const char* kind, QRect twips, const char* text, const char* accessible) {
        QTest::newRow(name) << QString::fromLatin1(kind) << twips << QString::fromLatin1(text)
                            << QString::fromLatin1(accessible);
    };
    row("Label1", "QLabel", {0, 0, 2775, 375}, "Database Name:", "");
    row("txtDatabase", "QLineEdit", {0, 480, 3255, 285}, "", "Database Name:");
    row("lstType", "QListWidget", {120, 960, 1095, 645}, "", "Object kind");
    row("cmdVantril", "QPushButton", {1440, 960, 1935, 495}, "Vantril", "");
    row("Label2", "QLabel", {120, 1920, 735, 255}, "Name:", "");
    row("txtName", "QLineEdit", {1440, 1920, 1695, 285}, "", "Name:");
    row("Label3", "QLabel", {120, 2280, 1095, 255}, "Date Created:", "");
    row("txtDateCreated", "QLineEdit", {1440, 2280, 1695, 285}, "", "Date Created:");
    row("Label4", "QLabel", {120, 2640, 1095, 255}, "Date Updated:", "");
    row("txtDateUpdated", "QLineEdit", {1440, 2640, 1695, 285}, "", "Date Updated:");
    row("cmdPrev", "QPushButton", {720, 3120, 975, 255}, "Previous", "");
    row("cmdNext", "QPushButton", {1800, 3120, 975, 255}, "Next", "");
}

void tst_frmVantril::controls() {
    QFETCH(QString, kind);
    QFETCH(QRect, twips);
    QFETCH(QString, text);
    QFETCH(QString, accessibleName);

    auto* control = Child<QWidget>(*window_, QTest::currentDataTag());
    QCOMPARE(QString::fromLatin1(control->metaObject()->className()), kind);
    QCOMPARE(control->geometry(),
             QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    QVERIFY(control->isVisible());
    QString shown;
    if (auto* label = qobject_cast<QLabel*>(control)) shown = label->text();
    if (auto* button = qobject_cast<QPushButton*>(control)) shown = button->text();
    if (auto* box = qobject_cast<QLineEdit*>(control)) {
        shown = box->text();
        QCOMPARE(box->maxLength(), std::numeric_limits<int>::max());
    }
    QCOMPARE(shown, text);
    QVERIFY2(!shown.contains(QLatin1Char('&')), "no mnemonics");
    if (!accessibleName.isEmpty()) QCOMPARE(control->accessibleName(), accessibleName);
    if (auto* label = qobject_cast<QLabel*>(control)) QCOMPARE(label->focusPolicy(), Qt::NoFocus);
}

void tst_frmVantril::windowIsFixedAndCaptioned() {
    QCOMPARE(window_->windowTitle(), QStringLiteral("Vantril"));
    QCOMPARE(window_->size(), QSize(228, 239));
    QCOMPARE(window_->minimumSize(), window_->maximumSize());
    QCOMPARE(window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), qsizetype(12));
}

void tst_frmVantril::fonts() {
    const QFont caption = Child<QLabel>(*window_, "Label1")->font();
    QCOMPARE(caption.family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(caption.pointSizeF(), 13.5);
    QCOMPARE(caption.weight(), QFont::Bold);
    QVERIFY(!caption.italic() && !caption.underline() && !caption.strikeOut());
    QVERIFY2(!QFont::substitutes(QStringLiteral("MS Sans Serif")).isEmpty(), "a stand-in is registered");
    for (QWidget* control : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (control->objectName() == QLatin1String("Label1")) continue;
        QCOMPARE(control->font(), QApplication::font(control));
    }
}

void tst_frmVantril::tabOrderFollowsRealTabPresses() {
    const char* const order[] = {"cmdVantril", "txtDatabase",    "lstType",        "cmdNext",   "cmdPrev",
                                 "txtName",    "txtDateCreated", "txtDateUpdated", "cmdVantril"};
    QCOMPARE(QApplication::focusWidget(), Child<QWidget>(*window_, "cmdVantril"));
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(order[i]));
    }
}

void tst_frmVantril::listShowsAllEntriesAndSelectsOnlyOnRequest() {
    auto* list = Child<QListWidget>(*window_, "lstType");
    QCOMPARE(list->count(), 3);
    const QStringList entries = {"Form", "Query", "Report"};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(list->item(i)->text(), entries[i]);
        QVERIFY2(list->viewport()->rect().contains(list->visualItemRect(list->item(i))),
                 qPrintable(entries[i] + " is not wholly visible"));
    }
    QVERIFY(!list->verticalScrollBar()->isVisible());
    QVERIFY(list->selectedItems().isEmpty());
    QCOMPARE(window_->SelectedType(), std::string());

    // Tabbing in makes an entry current but selects nothing.
    Child<QWidget>(*window_, "txtDatabase")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), list);
    QVERIFY(list->selectedItems().isEmpty());
    QCOMPARE(window_->SelectedType(), std::string());

    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(window_->SelectedType(), std::string("Query"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
    QCOMPARE(window_->SelectedType(), std::string("Report"));
}

void tst_frmVantril::buttonsRunTheirOperations() {
    auto* next = Child<QPushButton>(*window_, "cmdNext");
    auto* previous = Child<QPushButton>(*window_, "cmdPrev");
    auto* name = Child<QLineEdit>(*window_, "txtName");
    Open("Query", "app;1.db");
    QCOMPARE(rows_->calls().size(), 1u);
    QCOMPARE(rows_->calls()[0].source, std::string("Query;app;1.db"));
    QCOMPARE(name->text(), QString());

    QTest::keyClicks(name, "typed");  // nothing reads it; the next row overwrites it
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(name->text(), QStringLiteral("Orders"));
    QCOMPARE(Child<QLineEdit>(*window_, "txtDateCreated")->text(), QStringLiteral("03/02/2024 09:15:00"));
    QCOMPARE(Child<QLineEdit>(*window_, "txtDateUpdated")->text(), QStringLiteral("7"));
    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(presenter_.messages, QStringList{"At End of File"});
    QCOMPARE(name->text(), QStringLiteral("Orders"));
    QTest::mouseClick(previous, Qt::LeftButton);
    QTest::mouseClick(previous, Qt::LeftButton);
    QCOMPARE(name->text(), QStringLiteral("Customers"));
    QCOMPARE(Child<QLineEdit>(*window_, "txtDateCreated")->text(), QStringLiteral("03/01/2024"));
    QTest::mouseClick(previous, Qt::LeftButton);
    QCOMPARE(presenter_.messages, (QStringList{"At End of File", "At Start of File"}));
    QCOMPARE(presenter_.exitStatus, -1);
}

void tst_frmVantril::busyCursorShowsDuringAnOperationAndIsRestored() {
    Open("Form", "a.db");
    rows_->FailWith({2003, "Cannot find the database '/b.db'."});
    Open("Form", "b.db");
    QCOMPARE(spy_->shapes, (QList<int>{Qt::WaitCursor, Qt::WaitCursor}));
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    QCOMPARE(presenter_.exitStatus, 1);
}

void tst_frmVantril::displayBoxesShowLongAndOddTextWhole() {
    const std::string longName(40000, 'n');
    window_->SetBoxText(browse::Box::Name, longName);
    QCOMPARE(Child<QLineEdit>(*window_, "txtName")->text().size(), qsizetype(40000));
    window_->SetBoxText(browse::Box::DateCreated, std::string_view("a\xff"
                                                                   "b",
                                                                   3));
    QCOMPARE(Child<QLineEdit>(*window_, "txtDateCreated")->text(), QString::fromUtf16(u"a\uFFFDb"));
}

void tst_frmVantril::failurePathReportsAndEnds_data() {
    QTest::addColumn<QString>("click");
    QTest::addColumn<bool>("openFirst");
    QTest::addColumn<QString>("message");
    QTest::newRow("next before open") << "cmdNext" << false << "Error 101: Object not set";
    QTest::newRow("previous before open") << "cmdPrev" << false << "Error 101: Object not set";
    QTest::newRow("provider refuses")
        << "cmdVantril" << true << "Error 2003: Cannot find the database '/x.db'.";
}

void tst_frmVantril::failurePathReportsAndEnds() {
    QFETCH(QString, click);
    QFETCH(bool, openFirst);
    QFETCH(QString, message);
    if (openFirst) rows_->FailWith({2003, "Cannot find the database '/x.db'."});
    QTest::mouseClick(Child<QPushButton>(*window_, qPrintable(click)), Qt::LeftButton);
    QCOMPARE(presenter_.messages.size(), 1);
    QVERIFY2(presenter_.messages[0].startsWith(message), qPrintable(presenter_.messages[0]));
    QCOMPARE(presenter_.exitStatus, 1);
    QVERIFY(presenter_.windowVisibleAtEnd);
    QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
}

// The real box and the real exit, with a timer standing in for the user.
// Runs last: it leaves the application's event loop.
void tst_frmVantril::realBoxAndExitEndTheProgramWithStatusOne() {
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
    QVERIFY(okOnly);
    QVERIFY(noIcon);
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(tst_frmVantril)
#include "tst_frmvantril.moc"
