#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace keydesk {

// The about box: the interface's title, the version, the maker, beside a picture.
class TAboutForm final : public QDialog {
 public:
  static constexpr const char* kVersion = "版本 1.0.0.0";
  static constexpr const char* kCopyright = "版权所有 (C) MarveskOxbel";
  static constexpr const char* kCompany = "MarveskOxbel 信息技术有限公司";

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
