// Entering and leaving the compact modes, and the copy of the main status.
#include <gtest/gtest.h>

#include "link/core/link.h"
#include "status/core/compact_view.h"
#include "status/core/scanner_status.h"
#include "support/fake_port.h"

using namespace scandeck;
using scandeck::testing::FakePort;
using scandeck::testing::ListReporter;

namespace {

TEST(CompactMode, EnteringCopiesTheStatusAsksForSquelchAndEndsShownOrPoppedDown) {
  const struct {
    SmartViewMode before;
    bool port_open;
    const char* name;
    const char* tg_name;
    bool squelch, active;
    bool visible;
    SmartViewMode after;
    CompactLabel name_lbl, type_lbl, id_name_lbl, id_type_lbl;
  } cases[] = {
      {kNoCompactMode, true, "  Fire  ", "Dispatch", true, false, true, kSmartViewMode,
       {"Fire", true}, {"FDP", true}, {"Dispatch", false}, {"POL", false}},
      {kPopUpMode, true, "   ", "", false, true, false, kPopUpMode,
       {"154.5500", false}, {"FDP", false}, {"04-023", true}, {"POL", true}},
      {kSmartViewMode, false, "Fire", "", false, false, true, kSmartViewMode,
       {"Fire", false}, {"FDP", false}, {"04-023", false}, {"POL", false}},
  };
  for (const auto& c : cases) {
    FakePort port;
    port.is_open = c.port_open;
    PagCom pag{port};
    ListReporter reporter;
    Link link{pag, reporter};
    ScannerStatus status;
    status.ChannelName = c.name;
    status.ChannelType = " FDP";
    status.FrequencyText = "154.5500";
    status.TalkgroupName = c.tg_name;
    status.TalkgroupType = "POL";
    status.TalkgroupId = "04-023";
    status.SquelchOpen = c.squelch;
    status.TalkgroupActive = c.active;
    CompactView view;
    view.SmartViewState = c.before;
    EXPECT_EQ(static_cast<bool>(EnterCompactMode(view, status, link)), !c.port_open);
    EXPECT_EQ(port.written, c.port_open ? "SQ\r" : "");
    EXPECT_EQ(view.visible, c.visible);
    EXPECT_EQ(view.SmartViewState, c.after);
    EXPECT_TRUE(view.created);
    EXPECT_EQ(view.NameLbl, c.name_lbl) << c.name;
    EXPECT_EQ(view.TypeLbl, c.type_lbl) << c.name;
    EXPECT_EQ(view.IDNameLbl, c.id_name_lbl) << c.name;
    EXPECT_EQ(view.IDTypeLbl, c.id_type_lbl) << c.name;
  }
}

TEST(CompactMode, PopUpLabelTrayAndClose) {
  CompactView view;
  view.SmartViewState = kSmartViewMode;
  view.showWindow(true);
  view.setLabel(&CompactView::NameLbl, "Marine");
  SwitchToPopUp(view);
  EXPECT_FALSE(view.visible);
  EXPECT_EQ(view.SmartViewState, kPopUpMode);
  ShowFromTray(view);
  EXPECT_TRUE(view.visible);
  EXPECT_EQ(view.SmartViewState, kNoCompactMode);
  CloseCompactView(view);
  EXPECT_EQ(view, CompactView{});
}

}  // namespace
