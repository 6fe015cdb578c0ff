#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace keydesk {

// The about box: the interface's title, the version, the maker, beside a picture.
class TAboutForm final : public QDialog {
 public:
  // The caption, title and memo as the desk gives them, UTF-8.
  TAboutForm(const std::string& captionUtf8, const std::string& titleUtf8,
             const std::string& memoUtf8 = {}, QWidget* parent = nullptr);

  QLabel* picture;
  QLabel* lblAppTitle;
  QLabel* lblVersion;
  QLabel* lblCopyright;
  QLabel* lblCompany;
  QPlainTextEdit* mmo;
  QPushButton* btnOK;
};

}  // namespace keydesk
