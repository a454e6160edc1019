// What a screen reader finds in the window: the accessibility tree Qt gives
// assistive technology, walked, and announced as a reader announces it.
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <memory>

#include "frmvantril.h"
#include "memoryprovider.h"
#include "recordingpresenter.h"

namespace {

// What a reader says on reaching a control: its name, its role and what it
// is for.
QString Announce(QAccessibleInterface& node) {
    QString said =
        node.text(QAccessible::Name) + QStringLiteral(" | ") + QString::number(static_cast<int>(node.role()));
    const QString description = node.text(QAccessible::Description);
    if (!description.isEmpty()) said += QStringLiteral(" | ") + description;
    return said;
}

QString Expect(const char* name, QAccessible::Role role, const char* description = "") {
    QString said = QLatin1String(name) + QStringLiteral(" | ") + QString::number(static_cast<int>(role));
    if (*description != '\0') said += QStringLiteral(" | ") + QLatin1String(description);
    return said;
}

// Every focusable node below root, in tree order.
void Walk(QAccessibleInterface& root, QStringList& said) {
    for (int i = 0; i < root.childCount(); ++i) {
        QAccessibleInterface* child = root.child(i);
        if (child == nullptr) continue;
        if (child->state().focusable && !child->state().invisible) said << Announce(*child);
        Walk(*child, said);
    }
}

const char kOpens[] = "Opens the objects of the chosen kind in the named database";
const char kKinds[] = "The kind of object to open: Form, Query or Report";

}  // namespace

class tst_Accessibility : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyFocusableControlIsAnnounced();
    void tabbingAnnouncesEachStop();
    void labelsDescribeTheirBoxes_data();
    void labelsDescribeTheirBoxes();

private:
    QAccessibleInterface* Root() const { return QAccessible::queryAccessibleInterface(window_.get()); }

    dataaccess::testing::MapResolver resolver_;
    RecordingPresenter presenter_;
    std::unique_ptr<frmVantril> window_;
};

void tst_Accessibility::init() {
    window_ = std::make_unique<frmVantril>(resolver_, presenter_);
    window_->show();
    QApplication::setActiveWindow(window_.get());
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
}

void tst_Accessibility::cleanup() { window_.reset(); }

// No control a reader can reach goes unnamed, and none is announced but
// these: a new control must be given its words here.
void tst_Accessibility::everyFocusableControlIsAnnounced() {
    QAccessibleInterface* root = Root();
    QVERIFY(root != nullptr);
    QCOMPARE(root->text(QAccessible::Name), QStringLiteral("Vantril"));

    QStringList said;
    Walk(*root, said);
    said.sort();
    QStringList expected = {
        Expect("Database Name:", QAccessible::EditableText, "The database file to open"),
        Expect("Object kind", QAccessible::List, kKinds),
        Expect("Form", QAccessible::ListItem),
        Expect("Query", QAccessible::ListItem),
        Expect("Report", QAccessible::ListItem),
        Expect("Vantril", QAccessible::Button, kOpens),
        Expect("Name:", QAccessible::EditableText),
        Expect("Date Created:", QAccessible::EditableText),
        Expect("Date Updated:", QAccessible::EditableText),
        Expect("Previous", QAccessible::Button, "Shows the previous object"),
        Expect("Next", QAccessible::Button, "Shows the next object"),
    };
    expected.sort();
    QCOMPARE(said, expected);
}

// A reader follows the keyboard focus and asks the window which of its
// nodes has it; in the list it reads the entry that will be chosen.
void tst_Accessibility::tabbingAnnouncesEachStop() {
    const QStringList expected = {
        Expect("Vantril", QAccessible::Button, kOpens),
        Expect("Database Name:", QAccessible::EditableText, "The database file to open"),
        Expect("Form", QAccessible::ListItem),
        Expect("Next", QAccessible::Button, "Shows the next object"),
        Expect("Previous", QAccessible::Button, "Shows the previous object"),
        Expect("Name:", QAccessible::EditableText),
        Expect("Date Created:", QAccessible::EditableText),
        Expect("Date Updated:", QAccessible::EditableText),
        Expect("Vantril", QAccessible::Button, kOpens),
    };
    QStringList said;
    for (qsizetype stop = 0; stop < expected.size(); ++stop) {
        if (stop > 0) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QAccessibleInterface* focused = Root()->focusChild();
        QVERIFY2(focused != nullptr, qPrintable(QStringLiteral("no focus at stop %1").arg(stop)));
        QVERIFY(focused->state().focused);
        said << Announce(*focused);
    }
    QCOMPARE(said, expected);
}

void tst_Accessibility::labelsDescribeTheirBoxes_data() {
    QTest::addColumn<QString>("label");
    QTest::newRow("txtDatabase") << "Label1";
    QTest::newRow("txtName") << "Label2";
    QTest::newRow("txtDateCreated") << "Label3";
    QTest::newRow("txtDateUpdated") << "Label4";
}

// The reader links each box to the label above or beside it, and the label's
// words are the box's name.
void tst_Accessibility::labelsDescribeTheirBoxes() {
    QFETCH(QString, label);
    auto* box = window_->findChild<QWidget*>(QLatin1String(QTest::currentDataTag()));
    auto* caption = window_->findChild<QLabel*>(label);
    QVERIFY(box != nullptr && caption != nullptr);
    QAccessibleInterface* boxNode = QAccessible::queryAccessibleInterface(box);
    QAccessibleInterface* labelNode = QAccessible::queryAccessibleInterface(caption);

    const auto labels = boxNode->relations(QAccessible::Label);
    QCOMPARE(labels.size(), qsizetype(1));
    QCOMPARE(labels.front().first->object(), caption);
    QCOMPARE(labelNode->role(), QAccessible::StaticText);
    QVERIFY2(!labelNode->state().focusable, "a label is read with its box, not reached on its own");
    QCOMPARE(boxNode->text(QAccessible::Name), caption->text());
}

QTEST_MAIN(tst_Accessibility)
#include "tst_accessibility.moc"
