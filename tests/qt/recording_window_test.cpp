// Options > Recording...: its controls, OK writing recording.ini whole, Cancel and
// Escape writing nothing, no capture made while recording stays off, and the
// capture library's lookup.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include "audio/core/recording_settings.h"
#include "audio/qt/capture_session.h"
#include "audio/qt/recording_window.h"
#include "support/accessible_names.h"
#include "support/app.h"
#include "support/temp_dir.h"

using namespace scandeck;
using scandeck::testing::Slurp;
using scandeck::testing::TempDir;

namespace {

struct App : scandeck::testing::App {
  App() { load(); }
  RecordingWindow* open() {
    action("RecordingMnu")->trigger();
    return window->findChild<RecordingWindow*>("Recording");
  }
  std::string ini() { return Slurp(folder.file(kRecordingFileName)); }
};

template <typename T>
T* Control(QWidget* w, const char* name) {
  T* control = w->findChild<T*>(name);
  EXPECT_NE(control, nullptr) << name;
  return control;
}

}  // namespace

TEST(RecordingWindow, ControlsAreNamedAndCaptionedAndNothingIsCapturedWhileOff) {
  App app;
  EXPECT_EQ(app.window->recording().capture(), nullptr);
  EXPECT_FALSE(app.action("RecordNowMnu")->isEnabled());
  RecordingWindow* w = app.open();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_FALSE(w->isModal());
  for (const char* name : {"RecordChk", "InputCmb", "PeakBar", "PeakLbl", "RmsBar", "RmsLbl", "WhatAllOpt", "WhatMarkedOpt", "WhatUnnamedOpt",
                           "WhatOffOpt", "FormatCmb", "FolderBox", "BrowseCmd", "PrerollBox", "HangBox", "MinBox", "MaxBox",
                           "QuotaBox", "KeepBox", "MinFreeBox", "StatusLbl", "OkCmd", "CancelCmd"})
    Control<QWidget>(w, name);
  int controls = 0;
  EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(w, controls), std::vector<std::string>{});
  EXPECT_GE(controls, 15);
  // The defaults are shown, the input is the system's own, the status says it is off.
  EXPECT_EQ(Control<QComboBox>(w, "InputCmb")->currentIndex(), 0);
  EXPECT_TRUE(Control<QRadioButton>(w, "WhatAllOpt")->isChecked());
  EXPECT_EQ(Control<QSpinBox>(w, "PrerollBox")->value(), 500);
  EXPECT_EQ(Control<QLabel>(w, "StatusLbl")->text(), "Recording is off");
  EXPECT_EQ(Control<QLabel>(w, "PeakLbl")->text(), "Peak: No input open");
  // Only the chosen option of the group is a Tab stop.
  EXPECT_EQ(Control<QRadioButton>(w, "WhatMarkedOpt")->focusPolicy(), Qt::ClickFocus);

  QTest::keyClick(w, Qt::Key_Escape);
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(app.ini(), "");
}

// Peak and RMS each with its own bar and text, a silent block shown as silence.
TEST(RecordingWindow, PeakAndRmsShowApartInBarsAndTexts) {
  RecordingSettings settings;
  std::optional<Level> level;
  RecordingWindow w(settings, {{}, {}, [&] { return level; }, {}});
  const struct {
    std::optional<Level> level;
    int peak_bar, rms_bar;
    const char *peak, *rms;
  } cases[] = {
      {Level{-6.04, -18.96}, -6, -19, "Peak: -6.0 dBFS", "RMS: -19.0 dBFS"},
      {Level{-3.0, -75.0}, -3, -60, "Peak: -3.0 dBFS", "RMS: -75.0 dBFS"},  // the bar stops at its floor
      {Level{}, -60, -60, "Peak: silence", "RMS: silence"},
      {std::nullopt, -60, -60, "Peak: No input open", "RMS: No input open"},
  };
  for (const auto& c : cases) {
    level = c.level;
    w.refresh();
    EXPECT_EQ(Control<QProgressBar>(&w, "PeakBar")->value(), c.peak_bar) << c.peak;
    EXPECT_EQ(Control<QProgressBar>(&w, "RmsBar")->value(), c.rms_bar) << c.rms;
    EXPECT_EQ(Control<QLabel>(&w, "PeakLbl")->text().toStdString(), c.peak);
    EXPECT_EQ(Control<QLabel>(&w, "RmsLbl")->text().toStdString(), c.rms);
    EXPECT_EQ(Control<QProgressBar>(&w, "RmsBar")->accessibleDescription().toStdString(), c.rms);
  }
}

TEST(RecordingWindow, OkWritesEverySettingAndCancelNothing) {
  struct Row {
    const char* option;
    const char* what;
    int format;
  };
  for (const Row& row : {Row{"WhatAllOpt", "all", 1}, Row{"WhatMarkedOpt", "marked", 0},
                         Row{"WhatUnnamedOpt", "unnamed", 1}, Row{"WhatOffOpt", "off", 0}}) {
    App app;
    RecordingWindow* w = app.open();
    ASSERT_NE(w, nullptr);
    Control<QRadioButton>(w, row.option)->click();
    Control<QComboBox>(w, "FormatCmb")->setCurrentIndex(row.format);
    Control<QLineEdit>(w, "FolderBox")->setText("  /srv/calls ");
    Control<QSpinBox>(w, "PrerollBox")->setValue(750);
    Control<QSpinBox>(w, "HangBox")->setValue(3000);
    Control<QSpinBox>(w, "MinBox")->setValue(250);
    Control<QSpinBox>(w, "MaxBox")->setValue(20);
    Control<QSpinBox>(w, "QuotaBox")->setValue(0);
    Control<QSpinBox>(w, "KeepBox")->setValue(7);
    Control<QSpinBox>(w, "MinFreeBox")->setValue(100);
    Control<QPushButton>(w, "CancelCmd")->click();
    EXPECT_EQ(app.ini(), "") << row.what;

    w = app.open();
    ASSERT_NE(w, nullptr);
    // Reopened, it shows what is saved, not what was cancelled.
    EXPECT_EQ(Control<QSpinBox>(w, "PrerollBox")->value(), 500);
    Control<QRadioButton>(w, row.option)->click();
    Control<QComboBox>(w, "FormatCmb")->setCurrentIndex(row.format);
    Control<QLineEdit>(w, "FolderBox")->setText("  /srv/calls ");
    Control<QSpinBox>(w, "KeepBox")->setValue(7);
    Control<QPushButton>(w, "OkCmd")->click();
    EXPECT_FALSE(w->isVisible());
    const std::string format = row.format == 1 ? "wav" : "opus";
    EXPECT_EQ(app.ini(), "record=0\ninput=\nwhat=" + std::string(row.what) + "\nformat=" + format +
                             "\npreroll_ms=500\nhang_ms=2000\nmin_ms=500\nmax_minutes=10\nfolder=/srv/calls\n"
                             "quota_mb=2048\nkeep_days=7\nmin_free_mb=500\n");
    EXPECT_EQ(app.window->recording().settings(), ReadRecordingFile(app.folder.file(kRecordingFileName)));
    EXPECT_EQ(app.window->recording().capture(), nullptr);
  }
}

// The capture library is looked for folder by folder; a folder without it, or with a
// file of its name that is no library, is passed over with its reason, never a crash.
TEST(CaptureLibrary, TheFirstFolderHoldingTheLibraryGivesItsEntryPoints) {
  TempDir empty, junk;
  junk.write("libscandeck-capture.so", "not a shared object");
  const QString built = QCoreApplication::applicationDirPath();  // the build folder
  const QString none = QString::fromStdString(empty.path.string());
  const QString bad = QString::fromStdString(junk.path.string());
  const struct {
    QStringList folders;
    bool found;
  } cases[] = {{{}, false}, {{none}, false}, {{bad}, false}, {{none, bad}, false}, {{none, bad, built}, true}};
  for (const auto& c : cases) {
    const CaptureLibrary library = OpenCaptureLibrary(c.folders);
    EXPECT_EQ(library.make != nullptr, c.found) << c.folders.join(",").toStdString();
    EXPECT_EQ(library.inputs != nullptr, c.found);
    EXPECT_EQ(library.player != nullptr, c.found);
    EXPECT_EQ(library.why.isEmpty(), c.found) << library.why.toStdString();
  }
}
