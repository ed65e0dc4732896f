#pragma once
// What the compact status window shows, kept in the core: the decoders change it
// on every tick and the window only renders it.
#include <cstdint>
#include <string>

#include "common/core/failure.h"

namespace scandeck {

class Link;
struct ScannerStatus;

// The values SmartViewState takes. Response processing only asks whether it is pop-up.
enum SmartViewMode : std::int16_t { kNoCompactMode = 0, kPopUpMode = 1, kSmartViewMode = 2 };

struct CompactLabel {
  std::string text;
  bool visible = false;
  bool operator==(const CompactLabel&) const = default;
};

struct CompactView {
  // Hidden while nothing is received; the squelch and talkgroup reports show them.
  CompactLabel NameLbl;
  CompactLabel TypeLbl;
  CompactLabel IDNameLbl;
  CompactLabel IDTypeLbl;
  CompactLabel ModeLbl{{}, true};

  bool visible = false;
  // Set by the first update of any kind: the window then exists (hidden unless
  // shown), made topmost and with its clock running. Cleared when it is closed.
  bool created = false;

  SmartViewMode SmartViewState = kNoCompactMode;

  bool popUp() const { return SmartViewState == kPopUpMode; }

  // Label and window changes as the decoders make them; each creates the window.
  void setLabel(CompactLabel CompactView::*label, std::string text);
  void showLabel(CompactLabel CompactView::*label, bool shown);
  void showWindow(bool shown);

  bool operator==(const CompactView&) const = default;
};

// Copies the main window's status into the compact labels, as on entering a
// compact mode: channel name (or the frequency when it has none) and type,
// talkgroup name (or its ID) and type; the pairs are shown when the squelch is
// open or a talkgroup is active, and otherwise keep their visibility.
void CopyMainStatus(const ScannerStatus& status, CompactView& view);

// Entering a compact mode, after the caller has added the tray icon and hidden
// the main window: shows the window, asks for the squelch, copies the status, and
// then keeps the window shown in Smart View mode (state becomes 2) or hides it in
// pop-up mode (state 1 stays). The pop-up menu command sets state 1 first.
// Returns the failure of the squelch query; the copy happens regardless.
Failure EnterCompactMode(CompactView& view, const ScannerStatus& status, Link& link);

// The window's "PopUp Mode" label: hidden, pop-up mode from now on.
void SwitchToPopUp(CompactView& view);
// A double-click on the tray icon: shown, and no longer driven by the reports.
void ShowFromTray(CompactView& view);
// Escape or the close box: the window goes away and takes its labels with it; the
// caller removes the tray icon and shows the main window.
void CloseCompactView(CompactView& view);

}  // namespace scandeck
