#pragma once

#include <QFont>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace keydesk {

// The dialogs' font, "宋体" at 9 points, falling back to the CJK font installed with the
// program where the workstation has no 宋体.
QFont DialogFont();

// Shows every character of the entry as "*".
void MaskEntry(QLineEdit& entry);

// Controls named after their role (the object name), with UTF-8 captions and texts. Buttons
// are not default buttons unless a dialog makes them so.
QPushButton* NamedButton(QWidget* parent, const char* name, const char* caption);
QLineEdit* NamedEdit(QWidget* parent, const char* name, const char* text = "");
QLabel* CaptionLabel(QWidget* parent, const char* text);

}  // namespace keydesk
