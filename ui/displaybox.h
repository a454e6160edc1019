#pragma once

#include <QLineEdit>

// A box that only shows a value. It takes the focus and its text can be
// selected and copied, but it takes no typing, and assistive technology is
// told so: Qt's own line edit reports every box, read-only or not, as
// editable, which a screen reader announces.
class DisplayBox final : public QLineEdit {
    Q_OBJECT

public:
    explicit DisplayBox(QWidget* parent);
};
