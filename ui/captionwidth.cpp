#include "captionwidth.h"

#include <QApplication>
#include <QFontMetrics>
#include <algorithm>

int CaptionWidth(const QString& caption) {
    // Qt keeps the platform theme's title-bar font under this name. A window
    // manager's own may differ a little: the icon and each button get about
    // two lines of it, and no box is narrower than 240 pixels, which hold
    // "Vantril" beside them in the title fonts of common desktops.
    const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
    constexpr int kLeast = 240;
    constexpr int kIconAndButtons = 4 * 2;
    return std::max(kLeast, title.horizontalAdvance(caption) + kIconAndButtons * title.height());
}
