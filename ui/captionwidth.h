#pragma once

#include <QString>

// The least width, in logical pixels, of a box captioned caption, so that
// the window manager draws the caption whole in the box's title bar beside
// the window icon and up to three buttons. Needs the application object.
int CaptionWidth(const QString& caption);
