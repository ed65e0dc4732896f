// Entering and leaving the compact modes, and the copy of the main status.
#include <gtest/gtest.h>

#include "link/core/link.h"
#include "link/core/scanner_status.h"
#include "support/fake_port.h"
#include "ui/core/compact_view.h"

using namespace scandeck;
using scandeck::testing::FakePort;
using scandeck::testing::ListReporter;

namespace {

TEST(CompactCopy, FallsBackToFrequencyAndIdAndShowsOnlyWhatIsReceived) {
  const struct {
    const char* name;
    const char* tg_name;
    bool squelch;
    bool active;
    CompactLabel name_lbl, type_lbl, id_name_lbl, id_type_lbl;
  } cases[] = {
      {"  Fire  ", "Dispatch", true, false,
       {"Fire", true}, {"FDP", true}, {"Dispatch", false}, {"POL", false}},
      {"   ", "", false, true,
       {"154.5500", false}, {"FDP", false}, {"04-023", true}, {"POL", true}},
  };
  for (const auto& c : cases) {
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
    CopyMainStatus(status, view);
    EXPECT_EQ(view.NameLbl, c.name_lbl) << c.name;
    EXPECT_EQ(view.TypeLbl, c.type_lbl) << c.name;
    EXPECT_EQ(view.IDNameLbl, c.id_name_lbl) << c.name;
    EXPECT_EQ(view.IDTypeLbl, c.id_type_lbl) << c.name;
    EXPECT_TRUE(view.created);
  }
}

TEST(CompactMode, EnteringAsksForSquelchAndEndsShownOrPoppedDown) {
  const struct {
    std::int16_t before;
    bool visible;
    std::int16_t after;
  } cases[] = {{kNoCompactMode, true, kSmartViewMode},
               {kSmartViewMode, true, kSmartViewMode},
               {kPopUpMode, false, kPopUpMode}};
  for (const auto& c : cases) {
    FakePort port;
    port.is_open = true;
    PagCom pag{port};
    ListReporter reporter;
    Link link{pag, reporter};
    ScannerStatus status;
    status.ChannelName = "Marine";
    CompactView view;
    view.SmartViewState = c.before;
    EXPECT_FALSE(EnterCompactMode(view, status, link));
    EXPECT_EQ(port.written, "SQ\r");
    EXPECT_EQ(view.visible, c.visible);
    EXPECT_EQ(view.SmartViewState, c.after);
    EXPECT_EQ(view.NameLbl.text, "Marine");
    EXPECT_TRUE(view.created);
  }
}

TEST(CompactMode, ClosedPortStillCopiesAndReturnsTheFailure) {
  FakePort port;
  PagCom pag{port};
  ListReporter reporter;
  Link link{pag, reporter};
  ScannerStatus status;
  status.ModeText = "Scan ID";
  status.TalkgroupId = "405-12";
  CompactView view;
  EXPECT_TRUE(EnterCompactMode(view, status, link));
  EXPECT_EQ(view.IDNameLbl.text, "405-12");
  EXPECT_EQ(view.SmartViewState, kSmartViewMode);
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
