#pragma once
// What the whole program does for a listener with a screen reader.
class QApplication;

namespace scandeck {

// Unavailable menu entries take the keyboard's highlight, so a screen reader speaks
// them ("unavailable") instead of the listener never learning they exist; checkable
// entries are spoken with their state, checked or not.
void UseListenerStyle(QApplication& app);

}  // namespace scandeck
