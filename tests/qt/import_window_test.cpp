// The import preview on the main window's directories: Apply writes the names and
// the main display shows them at once; Cancel writes nothing.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "import/qt/import_dialog.h"
#include "support/app.h"

namespace scandeck::testing {

TEST(ImportWindow, PreviewApplyAndTheMainDisplayShowsTheNewName) {
  App app;
  app.load();
  ASSERT_NE(app.action("ImportNamesMnu"), nullptr);
  ASSERT_NE(app.action("ExportMnu"), nullptr);
  app.core->freq()[5].channel = 5;
  app.core->freq()[5].frequency = "121.5000";
  app.core->freq()[6].frequency = "121.5000";
  app.core->freq()[6].name = "Tower";
  app.tick("C005 F01215000 TF DN LF\rMD02\r");
  app.tick("W000 01215000\r");
  ASSERT_EQ(app.core->status().FrequencyText, "121.5000");
  const std::string list = "\"Frequency Output\",Description,\"Alpha Tag\",Tag\n121.50004,Guard channel,GUARD,Aircraft\n"
                           "999.1,Nowhere,NOWHERE,Other\nnot a number,x,y,z\n";
  bool applied = false;
  ImportContext context{app.core->freq(), app.core->freqFile(), app.core->ids(), app.core->idFile(),
                        app.folder.path.string(), '.', app.desktop, [&] { app.core->RefreshNames(); applied = true; }};
  {
    ImportDialog cancelled(context, "list.csv", std::make_unique<TextSource>(list));
    cancelled.findChild<QPushButton*>("CancelCmd")->click();
  }
  EXPECT_FALSE(std::filesystem::exists(app.folder.file("bank.dat.bak")));
  EXPECT_EQ(app.core->freq()[5].name, "");

  ImportDialog dialog(context, "list.csv", std::make_unique<TextSource>(list));
  auto* changes = dialog.findChild<QTableWidget*>("ChangesGrid");
  EXPECT_EQ(changes->accessibleName(), "Changes") << "a table is named by its tab's caption";
  ASSERT_EQ(changes->rowCount(), 1);  // channel 6 keeps its name: only empty names by default
  EXPECT_EQ(changes->item(0, 1)->text(), "Ch 5");
  EXPECT_EQ(changes->item(0, 6)->text(), "GUARD");
  EXPECT_EQ(changes->item(0, 7)->text(), "AIR");
  EXPECT_EQ(dialog.findChild<QTableWidget*>("NotFoundGrid")->rowCount(), 1);
  EXPECT_EQ(dialog.findChild<QTableWidget*>("SkippedGrid")->item(0, 1)->text(), "no frequency");
  dialog.findChild<QWidget*>("ReplaceOpt")->setProperty("checked", true);
  EXPECT_EQ(changes->rowCount(), 2);
  dialog.findChild<QPushButton*>("ApplyCmd")->click();
  EXPECT_TRUE(applied);

  RecordFile file;
  FreqDirectory reread;
  ASSERT_FALSE(LoadFreqDirectory(app.folder.file("bank.dat"), file, reread, '.'));
  EXPECT_EQ(reread[5].name, "GUARD");
  EXPECT_EQ(reread[6].name, "GUARD");
  EXPECT_TRUE(std::filesystem::exists(app.folder.file("bank.dat.bak")));
  EXPECT_EQ(app.core->status().ChannelName, "GUARD");
  app.window->MainTimer_Timer();  // renders, as the menu's callback does
  EXPECT_TRUE(app.find("NameLbl")->accessibleName().contains("GUARD"));
}

// The preview says which unit a list's frequencies were read in, names CHIRP's
// columns as the list does, and offers nothing to apply from a list it refuses.
TEST(ImportWindow, ShowsTheUnitReadTheListsColumnsAndRefusals) {
  App app;
  app.load();
  app.core->freq()[3].frequency = "462.5625";
  ImportContext context{app.core->freq(), app.core->freqFile(), app.core->ids(), app.core->idFile(),
                        app.folder.path.string(), '.', app.desktop, nullptr};
  ImportDialog hz(context, "channels.csv", std::make_unique<TextSource>("TG Number,Frequency,Tone,Alpha Tag\n1,462562500,0,FRS 1\n"));
  EXPECT_TRUE(hz.findChild<QLabel*>("FileLbl")->text().endsWith("frequencies in Hz"));
  EXPECT_EQ(hz.findChild<QTableWidget*>("ChangesGrid")->item(0, 6)->text(), "FRS 1");
  ImportDialog chirp(context, "chirp.csv", std::make_unique<TextSource>("Location,Name,Frequency,Comment\n1,,462.5625,Note\n"));
  EXPECT_EQ(chirp.findChild<QComboBox*>("NameColumnCmb")->itemText(1), "Comment");
  EXPECT_EQ(chirp.findChild<QTableWidget*>("ChangesGrid")->rowCount(), 0);
  chirp.findChild<QComboBox*>("NameColumnCmb")->setCurrentIndex(1);
  EXPECT_EQ(chirp.findChild<QTableWidget*>("ChangesGrid")->item(0, 6)->text(), "Note");
  ImportDialog refused(context, "utf16.csv", std::make_unique<TextSource>(std::string("\xFF\xFE" "D\0", 4)));
  EXPECT_EQ(refused.preview().error, "UTF-16 lists are not read: save it as UTF-8.");
  EXPECT_FALSE(refused.findChild<QPushButton*>("ApplyCmd")->isEnabled());
}

}  // namespace scandeck::testing
