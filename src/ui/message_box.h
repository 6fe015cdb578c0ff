#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace keydesk {

struct BoxMessage;

// Every message box of the window goes through here, so that a test can answer or capture
// them instead of a person. Main thread only.
class MessageBox {
 public:
  enum class Icon { None, Information, Error, Question };

  // What a box would show.
  struct Shown {
    Icon icon;
    QString caption;
    QString text;
  };
  // Stands in for the screen: receives each box and gives its answer (true for OK or Yes).
  using Answerer = std::function<bool(const Shown&)>;

  // A box with an OK button.
  static void Plain(QWidget* parent, const QString& caption, const QString& text);
  static void Information(QWidget* parent, const QString& caption, const QString& text);
  static void Error(QWidget* parent, const QString& caption, const QString& text);
  // A box with Yes and No buttons; true for Yes.
  static bool Question(QWidget* parent, const QString& caption, const QString& text);

  // One of the system's own messages; true for OK or Yes.
  static bool Show(QWidget* parent, const BoxMessage& message);

  // Routes every box to answerer instead of the screen; an empty one restores the screen.
  // Returns the answerer it replaces.
  static Answerer SetAnswerer(Answerer answerer);

 private:
  static bool Show(QWidget* parent, const Shown& shown);
};

}  // namespace keydesk
