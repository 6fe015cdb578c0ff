#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace keydesk {

// A kind's test dialog as data: its entries, its buttons and what each button does. The
// front ends lay the controls out and show what a press gives back; what a button does and
// the line it leaves are decided here, once for both windows.
//
// Captions are UTF-8 source literals; entry texts are code page 936.

enum class PanelEntryKind { Text, Check, Choice };

struct PanelEntry {
  std::string Name;     // the control's name, e.g. "RoomNoTxt"
  std::string Caption;  // the label beside it, or the check box's own caption
  PanelEntryKind Kind = PanelEntryKind::Text;
  std::string Text;                  // what it opens with; "1" for a ticked check box
  std::vector<std::string> Choices;  // a choice's list (UTF-8); a text may be typed too
};

// The entries' texts when a button is pressed, by name; a check box is "1" or "0".
using PanelEntries = std::map<std::string, std::string>;

// How a press's line is shown: done (green), failed (red), done but needing the clerk's eye
// (amber: a card that differs from its journal row), or neither (a beep).
enum class PanelTone { Plain, Success, Failure, Caution };

// What a press gave back: the dialog's line, the entries it fills in, and its tone.
struct PanelResult {
  std::string Line;
  std::vector<std::pair<std::string, std::string>> Filled;
  PanelTone Tone = PanelTone::Plain;
};

// The tone of a call that succeeded or not.
inline PanelTone ToneOf(bool succeeded) {
  return succeeded ? PanelTone::Success : PanelTone::Failure;
}

struct PanelButton {
  std::string Name;     // e.g. "ReadCardBtn"
  std::string Caption;  // e.g. "读卡"
  // Emptied before the press, so that nothing of an earlier card stays on screen.
  std::vector<std::string> Clears;
  // Runs off the main thread while the dialog waits: it calls the device and nothing of
  // the window. May raise; the front end shows the error as any other.
  std::function<PanelResult(const PanelEntries& entries)> Press;
};

class TestPanel {
 public:
  TestPanel(std::string name, std::vector<PanelEntry> entries, std::vector<PanelButton> buttons)
      : name_(std::move(name)), entries_(std::move(entries)), buttons_(std::move(buttons)) {}

  // The dialog's name, by which a front end picks its layout, e.g. "TDoorlockTestForm".
  const std::string& Name() const { return name_; }
  const std::vector<PanelEntry>& Entries() const { return entries_; }
  const std::vector<PanelButton>& Buttons() const { return buttons_; }

  // The button of that name; raises Error for a name the panel lacks.
  const PanelButton& Button(const std::string& name) const;
  // Runs the button's press, on whichever thread calls it.
  PanelResult Press(const std::string& button, const PanelEntries& entries) const;

 private:
  std::string name_;
  std::vector<PanelEntry> entries_;
  std::vector<PanelButton> buttons_;
};

// The buttons every test dialog has, which take no entries: the line says whether the
// device's call succeeded ("打开串口成功"), or that Beep ran.
PanelButton OutcomeButton(const char* name, const char* captionUtf8, std::function<bool()> call);
PanelButton BeepButton(std::function<void()> beep);

}  // namespace keydesk
