#pragma once

#include <QList>
#include <QWidget>

namespace keydesk::test {

// The widgets that take the keyboard focus, in the order Tab visits them from the first.
inline QList<QWidget*> TabChain(QWidget& form, QWidget* first) {
  QList<QWidget*> chain;
  for (QWidget* widget = first; widget != nullptr && !chain.contains(widget);
       widget = widget->nextInFocusChain()) {
    if (widget != &form && (widget->focusPolicy() & Qt::TabFocus) && widget->parent() == &form) {
      chain << widget;
    }
  }
  return chain;
}

}  // namespace keydesk::test
