#pragma once

#include <QPixmap>

namespace keydesk {

// The program's pictures, drawn at run time so that no image files ship with it.

// A guest-card key, size × size pixels: the window icon and the password dialogs' picture.
QPixmap KeyPicture(int size);

// The about box's picture, 132 × 238 pixels.
QPixmap AboutPicture();

}  // namespace keydesk
