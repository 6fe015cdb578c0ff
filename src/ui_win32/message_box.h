#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

#include "app/desk.h"

namespace keydesk {

// Every message box of the window goes through here, so that a test can answer or capture
// them instead of a person. Texts are code page 936. Main thread only.
class MessageBoxes {
 public:
  struct Shown {
    BoxIcon Icon;
    std::string Caption;
    std::string Text;
  };
  // Stands in for the screen: receives each box and gives its answer (true for OK or Yes).
  using Answerer = std::function<bool(const Shown&)>;

  static bool Show(HWND owner, const Shown& shown);
  // One of the system's own messages.
  static bool Show(HWND owner, const BoxMessage& message);
  // A plain box titled with the application title (the police kind's Test).
  static void Plain(HWND owner, const std::string& text);
  // An error raised by a command or a dialog, titled with the application title; its message
  // is code page 936 like every error message of the system.
  static void Error(HWND owner, const std::exception& error);

  // The title of the application, which plain and error boxes carry; set by the main window.
  static void SetApplicationTitle(std::string title);
  static const std::string& ApplicationTitle();

  // Routes every box to answerer instead of the screen; an empty one restores the screen.
  // Returns the answerer it replaces.
  static Answerer SetAnswerer(Answerer answerer);
};

// Runs body and shows any error that leaves it, so that no exception crosses the message loop
// and the window keeps running. True when body ended normally.
template <typename Body>
bool RunGuarded(HWND owner, Body&& body) {
  try {
    std::forward<Body>(body)();
    return true;
  } catch (const std::exception& error) {
    MessageBoxes::Error(owner, error);
    return false;
  }
}

}  // namespace keydesk
