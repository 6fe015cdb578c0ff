#pragma once

#include <QDialog>
#include <map>
#include <string>

class QLabel;
class QPushButton;

namespace keydesk {

class TestPanel;
struct PanelButton;
enum class PanelTone;

// A kind's test dialog, drawn from its panel: one control per entry and button, each named as
// the panel names it, laid out as the kind's dialog always was, and a line (ResultLbl) that
// says what the last button did.
//
// A press runs off the main thread, so that the window keeps painting while a slow device
// works. Meanwhile the cursor is busy, every button is disabled and the dialog cannot be
// closed; afterwards the focus is back on the pressed button. Enter, also on the keypad,
// presses the focused button; the buttons are no default buttons, so Enter in an entry
// presses none.
class TTestPanelForm final : public QDialog {
 public:
  // panel must outlive the dialog.
  explicit TTestPanelForm(const TestPanel& panel, QWidget* parent = nullptr);

  QLabel* ResultLbl;

  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void LayOut();
  // Empties what the button clears, runs its press and shows what it gave back.
  void Press(const PanelButton& button);
  QWidget* Control(const std::string& name) const;
  void SetBusy(bool busy);
  // The result line's colour for a press's tone.
  static QString ToneStyle(PanelTone tone);

  const TestPanel& panel_;
  std::map<std::string, QWidget*> controls_;  // the entries and buttons by name
  std::map<std::string, QLabel*> captions_;   // the labels beside the text entries
  bool busy_ = false;
  QPushButton* pressed_ = nullptr;  // had the focus when the press began
  QWidget* parked_ = nullptr;       // where disabling the buttons moved the focus
};

}  // namespace keydesk
