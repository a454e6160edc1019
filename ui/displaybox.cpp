#include "displaybox.h"

#include <QAccessibleWidget>

namespace {

// A display box as assistive technology sees it: read-only text whose
// content, cursor and selection can be read, and nothing it could edit.
class ReadOnlyText final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReadOnlyText(QLineEdit* box) : QAccessibleWidget(box, QAccessible::EditableText) {}

    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Value ? Box()->text() : QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = Box()->isReadOnly();
        state.editable = !state.readOnly;
        state.selectableText = true;
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    void selection(int index, int* start, int* end) const override {
        const bool any = index == 0 && Box()->hasSelectedText();
        *start = any ? Box()->selectionStart() : 0;
        *end = any ? Box()->selectionEnd() : 0;
    }
    int selectionCount() const override { return Box()->hasSelectedText() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { Box()->deselect(); }
    void setSelection(int, int start, int end) override { Box()->setSelection(start, end - start); }
    int cursorPosition() const override { return Box()->cursorPosition(); }
    void setCursorPosition(int position) override { Box()->setCursorPosition(position); }
    QString text(int start, int end) const override { return Box()->text().mid(start, end - start); }
    int characterCount() const override { return static_cast<int>(Box()->text().size()); }
    QRect characterRect(int) const override { return {}; }  // unknown, as the interface allows
    int offsetAtPoint(const QPoint& point) const override {
        return Box()->cursorPositionAt(Box()->mapFromGlobal(point));
    }
    void scrollToSubstring(int start, int) override { Box()->setCursorPosition(start); }
    QString attributes(int, int* start, int* end) const override {
        *start = 0;
        *end = characterCount();
        return {};
    }

private:
    QLineEdit* Box() const { return static_cast<QLineEdit*>(widget()); }
};

QAccessibleInterface* ReadOnlyTextFor(const QString& className, QObject* object) {
    return className == QLatin1String("DisplayBox") ? new ReadOnlyText(static_cast<DisplayBox*>(object))
                                                    : nullptr;
}

}  // namespace

DisplayBox::DisplayBox(QWidget* parent) : QLineEdit(parent) {
    // Qt keeps its interface factories for the whole process; one is enough.
    static const bool installed = (QAccessible::installFactory(ReadOnlyTextFor), true);
    Q_UNUSED(installed);
    setReadOnly(true);
}
