#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace keydesk {

// The about box: the interface's title, the version, the maker, beside a picture.
class TAboutForm final : public QDialog {
 public:
  explicit TAboutForm(int interfaceKind, QWidget* parent = nullptr);

  QLabel* picture;
  QLabel* lblAppTitle;
  QLabel* lblVersion;
  QLabel* lblCopyright;
  QLabel* lblCompany;
  QPlainTextEdit* mmo;
  QPushButton* btnOK;

 private:
  void FormCreate(int interfaceKind);
};

// Shows the about box for the interface kind, modally and without an owner.
void ShowAbout(int interfaceKind);

}  // namespace keydesk
