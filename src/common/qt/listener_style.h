#pragma once
// What the whole program does for a listener with a screen reader.
class QApplication;

namespace scandeck {

// Unavailable menu entries take the keyboard's highlight, so a screen reader speaks
// them ("unavailable") instead of the listener never learning they exist; checkable
// entries are spoken with their state, checked or not, and entries of which one is
// chosen as radio items. Lists to choose from are spoken with their chosen item,
// windows that are no dialogs as frames, and only the focused control claims the
// focus.
void UseListenerStyle(QApplication& app);

}  // namespace scandeck
