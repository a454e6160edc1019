#include "frmvantril.h"

#include <QAccessibleWidget>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <limits>
#include <new>
#include <string_view>

#include "cursoroverride.h"
#include "displaybox.h"
#include "failure.h"
#include "localfiledrop.h"
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
template <typename Box>
QLineEdit* MakeBox(QWidget* parent, const char* name, const QString& accessibleName, QRect geometry) {
    QLineEdit* box = new Box(parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    box->setMaxLength(std::numeric_limits<int>::max());
    box->setAccessibleName(accessibleName);
    return box;
}

// Assistive technology sees the window as a frame named by its title; a
// plain QWidget would show as a filler inside nothing.
QAccessibleInterface* FrameFor(const QString& className, QObject* object) {
    return className == QLatin1String("frmVantril")
               ? new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window)
               : nullptr;
}

// Bytes that are not UTF-8 show as U+FFFD.
QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A sans-serif family, with close stand-ins where it is missing; they are
// registered once for the whole program.
QFont SansSerif(const QString& family, const QStringList& standIns) {
    if (QFont::substitutes(family).isEmpty()) QFont::insertSubstitutions(family, standIns);
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QFont CaptionFont() {
    QFont font = SansSerif(QStringLiteral("MS Sans Serif"),
                           {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                            QStringLiteral("DejaVu Sans"), QStringLiteral("Sans Serif")});
    font.setPointSizeF(13.5);
    font.setWeight(QFont::Bold);
    return font;
}

// The fixed layout leaves room only for a small, narrow face: in this one
// every caption and the widest date with its time fit their controls. The
// window sets it itself, so that no platform theme or desktop font reaches
// the layout. The stand-ins have the same widths; failing them, the system's
// sans-serif stands in, and longer texts are cut.
QFont ControlFont() {
    QFont font = SansSerif(QStringLiteral("Liberation Sans Narrow"),
                           {QStringLiteral("Arial Narrow"), QStringLiteral("Nimbus Sans Narrow")});
    font.setPointSize(8);
    font.setWeight(QFont::Normal);
    return font;
}

// Whether box shows only the beginning of text: QLineEdit keeps 2 pixels on
// each side, and 2 for its cursor, inside the style's contents rectangle.
bool IsCut(const QLineEdit& box, const QString& text) {
    QStyleOptionFrame option;
    option.initFrom(&box);
    option.lineWidth =
        box.hasFrame() ? box.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &box) : 0;
    const QRect room = box.style()
                           ->subElementRect(QStyle::SE_LineEditContents, &option, &box)
                           .marginsRemoved(box.textMargins());
    // Hardly a character is narrower than a pixel: a text with more of them
    // than the room has pixels is cut, and a huge one is slow to measure.
    return text.size() > room.width() || box.fontMetrics().horizontalAdvance(text) + 2 + 2 * 2 > room.width();
}

// The value as a tooltip: escaped, so that a name looking like markup shows
// as itself, and cut short, so that a huge one cannot fill the screen.
QString ToolTipFor(const QString& text) {
    constexpr qsizetype kMaxCharacters = 300;
    qsizetype length = std::min(text.size(), kMaxCharacters);
    if (length < text.size() && text.at(length - 1).isHighSurrogate()) --length;
    QString shown = text.left(length).toHtmlEscaped();
    if (length < text.size()) shown += QChar(0x2026);  // an ellipsis
    return QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(shown);
}

}  // namespace

frmVantril::frmVantril(const dataaccess::ProviderResolver& resolver, Presenter& presenter, QWidget* parent)
    : QWidget(parent), presenter_(presenter), browser_(*this, resolver) {
    // Qt keeps its interface factories for the whole process; one is enough.
    static const bool frame = (QAccessible::installFactory(FrameFor), true);
    Q_UNUSED(frame);
    setObjectName(QStringLiteral("frmVantril"));
    setWindowTitle(QStringLiteral("Vantril"));
    setFixedSize(FromTwips(0, 0, 3420, 3585).size());
    // A window of fixed size offers no Maximize that could do nothing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(ControlFont());

    Label1 = Make<QLabel>(this, "Label1", QStringLiteral("Database Name:"), FromTwips(0, 0, 2775, 375));
    Label1->setFont(CaptionFont());
    txtDatabase = MakeBox<QLineEdit>(this, "txtDatabase", QStringLiteral("Database Name:"),
                                     FromTwips(0, 480, 3255, 285));
    txtDatabase->installEventFilter(new LocalFileDrop(txtDatabase));

    lstType = new QListWidget(this);
    lstType->setObjectName(QStringLiteral("lstType"));
    lstType->setGeometry(FromTwips(120, 960, 1095, 645));
    lstType->setAccessibleName(QStringLiteral("Object kind"));
    lstType->setSelectionMode(QAbstractItemView::SingleSelection);
    // The three entries share the list's fixed height, with no frame and no
    // scroll bar, whatever the line height of the font that stands in.
    lstType->setFrameShape(QFrame::NoFrame);
    lstType->setUniformItemSizes(true);
    for (const char* kind : {"Form", "Query", "Report"}) {
        auto* item = new QListWidgetItem(QLatin1String(kind), lstType);
        item->setSizeHint(QSize(0, lstType->height() / 3));
    }

    cmdVantril =
        Make<QPushButton>(this, "cmdVantril", QStringLiteral("Vantril"), FromTwips(1440, 960, 1935, 495));
    Label2 = Make<QLabel>(this, "Label2", QStringLiteral("Name:"), FromTwips(120, 1920, 735, 255));
    txtName = MakeBox<DisplayBox>(this, "txtName", QStringLiteral("Name:"), FromTwips(1440, 1920, 1695, 285));
    Label3 = Make<QLabel>(this, "Label3", QStringLiteral("Date Created:"), FromTwips(120, 2280, 1095, 255));
    txtDateCreated = MakeBox<DisplayBox>(this, "txtDateCreated", QStringLiteral("Date Created:"),
                                         FromTwips(1440, 2280, 1695, 285));
    Label4 = Make<QLabel>(this, "Label4", QStringLiteral("Date Updated:"), FromTwips(120, 2640, 1095, 255));
    txtDateUpdated = MakeBox<DisplayBox>(this, "txtDateUpdated", QStringLiteral("Date Updated:"),
                                         FromTwips(1440, 2640, 1695, 285));
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

    // The display boxes (DisplayBox) only show values: nothing there can be
    // overwritten by accident, and a reader announces them as read-only.
    // Enter on a focused button presses it, as Space does; the window has no
    // default button, so Enter elsewhere presses nothing.
    for (QPushButton* button : {cmdVantril, cmdNext, cmdPrev}) button->setAutoDefault(true);

    QWidget::setTabOrder(cmdVantril, txtDatabase);
    QWidget::setTabOrder(txtDatabase, lstType);
    QWidget::setTabOrder(lstType, cmdNext);
    QWidget::setTabOrder(cmdNext, cmdPrev);
    QWidget::setTabOrder(cmdPrev, txtName);
    QWidget::setTabOrder(txtName, txtDateCreated);
    QWidget::setTabOrder(txtDateCreated, txtDateUpdated);
    cmdVantril->setFocus();

    // An Open may take long: it runs on a worker thread, showing its progress.
    // Its inputs are read here, on the window's thread, before it starts.
    connect(cmdVantril, &QPushButton::clicked, this, [this] {
        Run([this] {
            const std::string kind = SelectedKind();
            const std::string database = txtDatabase->text().toStdString();
            opening_.Run([&] { browser_.OpenObjects(kind, database); }, browser_.ObjectsRead());
        });
    });
    connect(cmdNext, &QPushButton::clicked, this, [this] { Run([this] { browser_.ShowNext(); }); });
    connect(cmdPrev, &QPushButton::clicked, this, [this] { Run([this] { browser_.ShowPrevious(); }); });
}

std::string frmVantril::SelectedKind() const {
    const QList<QListWidgetItem*> selected = lstType->selectedItems();
    return selected.isEmpty() ? std::string() : selected.front()->text().toStdString();
}

void frmVantril::SetDatabaseName(const QString& name) { txtDatabase->setText(name); }

void frmVantril::SetBoxText(browse::Box box, std::string_view text) {
    QLineEdit* target = box == browse::Box::Name          ? txtName
                        : box == browse::Box::DateCreated ? txtDateCreated
                                                          : txtDateUpdated;
    const QString shown = FromUtf8(text);
    target->setText(shown);
    target->setCursorPosition(0);  // a long name shows its beginning, the rest in the tooltip
    target->setToolTip(IsCut(*target, shown) ? ToolTipFor(shown) : QString());
}

void frmVantril::ShowMessage(std::string_view text) {
    const CursorOverride arrow(Qt::ArrowCursor);
    presenter_.ShowMessage(*this, FromUtf8(text));
}

// The one dispatch point: no exception leaves it, so none crosses a Qt slot.
void frmVantril::Run(const std::function<void()>& operation) {
    // Only a click that does not come as user input (from assistive
    // technology, say) could arrive while an Open runs; it is dropped.
    if (opening_.Running()) return;
    dataaccess::Status failure;
    try {
        const CursorOverride busy(Qt::WaitCursor);
        operation();
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
        presenter_.ShowFailure(
            *this, QStringLiteral("Error %1: %2").arg(failure.number).arg(FromUtf8(failure.description)));
    } catch (...) {
        // Nothing more can be shown; the program still ends with its status.
    }
    presenter_.EndProgram(*this, 1);
}
