#pragma once

#include <QFont>

class QLineEdit;

namespace keydesk {

// The dialogs' font, "宋体" at 9 points, falling back to the CJK font installed with the
// program where the workstation has no 宋体.
QFont DialogFont();

// Shows every character of the entry as "*".
void MaskEntry(QLineEdit& entry);

}  // namespace keydesk
