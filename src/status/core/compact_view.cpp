#include "status/core/compact_view.h"

#include "common/core/text.h"
#include "link/core/link.h"
#include "link/core/protocol.h"
#include "status/core/scanner_status.h"

namespace scandeck {

void CompactView::setLabel(CompactLabel CompactView::*label, std::string text) {
  created = true;
  (this->*label).text = std::move(text);
}

void CompactView::showLabel(CompactLabel CompactView::*label, bool shown) {
  created = true;
  (this->*label).visible = shown;
}

void CompactView::showWindow(bool shown) {
  created = true;
  visible = shown;
}

void CopyMainStatus(const ScannerStatus& status, CompactView& view) {
  view.setLabel(&CompactView::NameLbl, TrimBlanksCopy(status.ChannelName));
  view.setLabel(&CompactView::TypeLbl, TrimBlanksCopy(status.ChannelType));
  if (view.NameLbl.text.empty()) view.setLabel(&CompactView::NameLbl, status.FrequencyText);
  if (status.SquelchOpen) {
    view.showLabel(&CompactView::NameLbl, true);
    view.showLabel(&CompactView::TypeLbl, true);
  }
  view.setLabel(&CompactView::IDTypeLbl, status.TalkgroupType);
  view.setLabel(&CompactView::IDNameLbl, status.TalkgroupName);
  if (view.IDNameLbl.text.empty()) view.setLabel(&CompactView::IDNameLbl, status.TalkgroupId);
  if (status.TalkgroupActive) {
    view.showLabel(&CompactView::IDNameLbl, true);
    view.showLabel(&CompactView::IDTypeLbl, true);
  }
}

Failure EnterCompactMode(CompactView& view, const ScannerStatus& status, Link& link) {
  view.showWindow(true);
  const Failure failure = link.SendCommand(protocol::cmd::kSquelch);
  CopyMainStatus(status, view);
  if (view.popUp()) {
    view.showWindow(false);
  } else {
    view.showWindow(true);
    view.SmartViewState = kSmartViewMode;
  }
  return failure;
}

void SwitchToPopUp(CompactView& view) {
  view.showWindow(false);
  view.SmartViewState = kPopUpMode;
}

void ShowFromTray(CompactView& view) {
  view.SmartViewState = kNoCompactMode;
  view.showWindow(true);
}

void CloseCompactView(CompactView& view) { view = CompactView{}; }

}  // namespace scandeck
