#include "frmvantril.h"

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QThread>
#include <limits>
#include <new>

#include "cursoroverride.h"
#include "failure.h"
#include "presenter.h"
#include "programerrors.h"

namespace {

// The layout is given in twips; 15 twips make one logical pixel, which Qt
// scales on high-density screens.
constexpr int kTwipsPerPixel = 15;

QRect FromTwips(int left, int top, int width, int height) {
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

template <typename Widget>
Widget* Make(QWidget* parent, const char* name, const QString& text, QRect geometry) {
    auto* widget = new Widget(text, parent);
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(geometry);
    return widget;
}

// A box whose whole content is shown, however long: a QLineEdit otherwise
// cuts text at 32767 characters.
QLineEdit* MakeBox(QWidget* parent, const char* name, const QString& accessibleName, QRect geometry) {
    QLineEdit* box = Make<QLineEdit>(parent, name, QString(), geometry);
    box->setMaxLength(std::numeric_limits<int>::max());
    box->setAccessibleName(accessibleName);
    return box;
}

// An Open runs on a worker thread (see OpenProgress) and asks for the window's
// input from there; controls are only ever read on their own thread.
template <typename Read>
std::string OnThreadOf(QObject* control, Read read) {
    if (QThread::currentThread() == control->thread()) return read();
    std::string text;
    QMetaObject::invokeMethod(
        control, [&] { text = read(); }, Qt::BlockingQueuedConnection);
    return text;
}

QFont CaptionFont() {
    // Where the requested family is missing, a close sans-serif stands in.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(13.5);
    font.setWeight(QFont::Bold);
    return font;
}

}  // namespace

frmVantril::frmVantril(const dataaccess::ProviderResolver& resolver, Presenter& presenter, QWidget* parent)
    : QWidget(parent), presenter_(presenter), browser_(*this, resolver) {
    setObjectName(QStringLiteral("frmVantril"));
    setWindowTitle(QStringLiteral("Vantril"));
    setFixedSize(FromTwips(0, 0, 3420, 3585).size());

    Label1 = Make<QLabel>(this, "Label1", QStringLiteral("Database Name:"), FromTwips(0, 0, 2775, 375));
    Label1->setFont(CaptionFont());
    txtDatabase =
        MakeBox(this, "txtDatabase", QStringLiteral("Database Name:"), FromTwips(0, 480, 3255, 285));

    lstType = new QListWidget(this);
    lstType->setObjectName(QStringLiteral("lstType"));
    lstType->setGeometry(FromTwips(120, 960, 1095, 645));
    lstType->setAccessibleName(QStringLiteral("Object kind"));
    lstType->setSelectionMode(QAbstractItemView::SingleSelection);
    // Three entries of the default font must fit the list's fixed height: no
    // frame, and rows no taller than a line of text.
    lstType->setFrameShape(QFrame::NoFrame);
    lstType->setUniformItemSizes(true);
    for (const char* kind : {"Form", "Query", "Report"}) {
        auto* item = new QListWidgetItem(QLatin1String(kind), lstType);
        item->setSizeHint(QSize(0, lstType->fontMetrics().height()));
    }

    cmdVantril =
        Make<QPushButton>(this, "cmdVantril", QStringLiteral("Vantril"), FromTwips(1440, 960, 1935, 495));
    Label2 = Make<QLabel>(this, "Label2", QStringLiteral("Name:"), FromTwips(120, 1920, 735, 255));
    txtName = MakeBox(this, "txtName", QStringLiteral("Name:"), FromTwips(1440, 1920, 1695, 285));
    Label3 = Make<QLabel>(this, "Label3", QStringLiteral("Date Created:"), FromTwips(120, 2280, 1095, 255));
    txtDateCreated =
        MakeBox(this, "txtDateCreated", QStringLiteral("Date Created:"), FromTwips(1440, 2280, 1695, 285));
    Label4 = Make<QLabel>(this, "Label4", QStringLiteral("Date Updated:"), FromTwips(120, 2640, 1095, 255));
    txtDateUpdated =
        MakeBox(this, "txtDateUpdated", QStringLiteral("Date Updated:"), FromTwips(1440, 2640, 1695, 285));
    cmdPrev = Make<QPushButton>(this, "cmdPrev", QStringLiteral("Previous"), FromTwips(720, 3120, 975, 255));
    cmdNext = Make<QPushButton>(this, "cmdNext", QStringLiteral("Next"), FromTwips(1800, 3120, 975, 255));

    // Labels describe their boxes to assistive technology; none has an
    // access key, as no caption carries a mnemonic.
    Label1->setBuddy(txtDatabase);
    Label2->setBuddy(txtName);
    Label3->setBuddy(txtDateCreated);
    Label4->setBuddy(txtDateUpdated);

    // Captions name the buttons and the list; these say what they do.
    txtDatabase->setAccessibleDescription(QStringLiteral("The database file to open"));
    lstType->setAccessibleDescription(QStringLiteral("The kind of object to open: Form, Query or Report"));
    cmdVantril->setAccessibleDescription(
        QStringLiteral("Opens the objects of the chosen kind in the named database"));
    cmdNext->setAccessibleDescription(QStringLiteral("Shows the next object"));
    cmdPrev->setAccessibleDescription(QStringLiteral("Shows the previous object"));

    QWidget::setTabOrder(cmdVantril, txtDatabase);
    QWidget::setTabOrder(txtDatabase, lstType);
    QWidget::setTabOrder(lstType, cmdNext);
    QWidget::setTabOrder(cmdNext, cmdPrev);
    QWidget::setTabOrder(cmdPrev, txtName);
    QWidget::setTabOrder(txtName, txtDateCreated);
    QWidget::setTabOrder(txtDateCreated, txtDateUpdated);
    cmdVantril->setFocus();

    connect(cmdVantril, &QPushButton::clicked, this, [this] { Run(&browse::ObjectBrowser::OpenObjects); });
    connect(cmdNext, &QPushButton::clicked, this, [this] { Run(&browse::ObjectBrowser::ShowNext); });
    connect(cmdPrev, &QPushButton::clicked, this, [this] { Run(&browse::ObjectBrowser::ShowPrevious); });
}

std::string frmVantril::SelectedType() const {
    return OnThreadOf(lstType, [this] {
        const QList<QListWidgetItem*> selected = lstType->selectedItems();
        return selected.isEmpty() ? std::string() : selected.front()->text().toStdString();
    });
}

std::string frmVantril::DatabaseName() const {
    return OnThreadOf(txtDatabase, [this] { return txtDatabase->text().toStdString(); });
}

void frmVantril::SetBoxText(browse::Box box, std::string_view text) {
    QLineEdit* target = box == browse::Box::Name          ? txtName
                        : box == browse::Box::DateCreated ? txtDateCreated
                                                          : txtDateUpdated;
    // Bytes that are not UTF-8 show as U+FFFD.
    target->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    target->setCursorPosition(0);  // a long name shows its beginning
}

void frmVantril::ShowMessage(std::string_view text) {
    const CursorOverride arrow(Qt::ArrowCursor);
    presenter_.ShowMessage(*this, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

// The one dispatch point: no exception leaves it, so none crosses a Qt slot.
void frmVantril::Run(void (browse::ObjectBrowser::*operation)()) {
    // Only a click that does not come as user input (from assistive
    // technology, say) could arrive while an Open runs; it is dropped.
    if (opening_.Running()) return;
    dataaccess::Status failure;
    try {
        const CursorOverride busy(Qt::WaitCursor);
        if (operation == &browse::ObjectBrowser::OpenObjects) {
            opening_.Run([this] { browser_.OpenObjects(); }, browser_.ObjectsRead());
        } else {
            (browser_.*operation)();
        }
        return;
    } catch (const browse::Failure& error) {
        failure = error.status();
    } catch (const std::bad_alloc&) {
        failure = {browse::errors::kOutOfMemory, "Out of memory."};
    } catch (const std::exception& error) {
        failure = {browse::errors::kUnexpected, error.what()};
    } catch (...) {
        failure = {browse::errors::kUnexpected, "Unexpected error."};
    }
    ReportAndEnd(failure);
}

void frmVantril::ReportAndEnd(const dataaccess::Status& failure) {
    try {
        presenter_.ShowMessage(
            *this, QStringLiteral("Error %1: %2")
                       .arg(failure.number)
                       .arg(QString::fromUtf8(failure.description.data(),
                                              static_cast<qsizetype>(failure.description.size()))));
    } catch (...) {
        // Nothing more can be shown; the program still ends with its status.
    }
    presenter_.EndProgram(*this, 1);
}
