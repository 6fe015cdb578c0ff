#pragma once

#include <QObject>
#include <exception>
#include <utility>

class QWidget;

namespace keydesk {

// Shows an error that a command, a dialog or the listener's start raised, in an error box
// titled with the application title. The message is code page 936 text, like every error
// message of the system.
void ShowErrorBox(QWidget* parent, const std::exception& error);

// Runs body and shows any error that leaves it, so that no exception crosses the event loop
// and the window keeps running. True when body ended normally.
template <typename Body>
bool RunGuarded(QWidget* parent, Body&& body) {
  try {
    std::forward<Body>(body)();
    return true;
  } catch (const std::exception& error) {
    ShowErrorBox(parent, error);
    return false;
  }
}

// Connects a command's signal (a button's clicked, an action's triggered) to body, run
// guarded for form.
template <typename Sender, typename Signal, typename Body>
void ConnectGuarded(QWidget* form, Sender* sender, Signal signal, Body body) {
  QObject::connect(sender, signal, form, [form, body] { RunGuarded(form, body); });
}

}  // namespace keydesk
