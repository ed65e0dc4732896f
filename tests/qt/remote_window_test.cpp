// Options > Remote...: its controls, OK writing remote.ini whole with only the
// password's hash, and the rule that off the loopback nothing listens without one.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>

#include "remote/core/remote_guard.h"
#include "remote/core/remote_settings.h"
#include "remote/qt/remote_window.h"
#include "support/accessible_names.h"
#include "support/app.h"

using namespace scandeck;
using scandeck::testing::Slurp;

namespace {

struct App : scandeck::testing::App {
  App() { load(); }
  RemoteWindow* open() {
    action("RemoteMnu")->trigger();
    return window->findChild<RemoteWindow*>("Remote");
  }
};

template <typename T>
T* Control(QWidget* w, const char* name) {
  T* control = w->findChild<T*>(name);
  EXPECT_NE(control, nullptr) << name;
  return control;
}

quint16 FreePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

bool Answers(quint16 port) {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, port);
  return socket.waitForConnected(2000);
}

}  // namespace

TEST(RemoteWindow, ControlsAreNamedAndCaptionedAndEscapeWritesNothing) {
  App app;
  RemoteWindow* w = app.open();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  for (const char* name : {"ServeChk", "AddressCmb", "PortBox", "PasswordBox", "NoPasswordChk", "ControlChk", "PhoneBox",
                           "StatusLbl", "OkCmd", "CancelCmd"})
    Control<QWidget>(w, name);
  int controls = 0;
  EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(w, controls), std::vector<std::string>{});
  EXPECT_FALSE(Control<QCheckBox>(w, "ServeChk")->isChecked());
  EXPECT_EQ(Control<QSpinBox>(w, "PortBox")->value(), 8245);
  EXPECT_EQ(Control<QLineEdit>(w, "PasswordBox")->echoMode(), QLineEdit::Password);
  EXPECT_EQ(Control<QLabel>(w, "StatusLbl")->text(), "Remote: off");
  QTest::keyClick(w, Qt::Key_Escape);
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(Slurp(app.folder.file(kRemoteFileName)), "");
}

TEST(RemoteWindow, OkSavesTheHashAndListensOnlyWhereTheRulesAllow) {
  const struct {
    const char* address;
    const char* password;
    bool listens;
    const char* status;
  } rows[] = {
      {"127.0.0.1 (this computer only)", "", true, "listening on 127.0.0.1"},
      {"0.0.0.0 (every network of this computer)", "", false, "needs a password first"},
      {"0.0.0.0 (every network of this computer)", "s3cret word", true, "listening on 0.0.0.0"},
  };
  for (const auto& row : rows) {
    App app;
    RemoteWindow* w = app.open();
    ASSERT_NE(w, nullptr);
    const quint16 port = FreePort();
    Control<QCheckBox>(w, "ServeChk")->setChecked(true);
    Control<QComboBox>(w, "AddressCmb")->setCurrentText(row.address);
    Control<QSpinBox>(w, "PortBox")->setValue(port);
    Control<QLineEdit>(w, "PasswordBox")->setText(row.password);
    QTest::mouseClick(Control<QPushButton>(w, "OkCmd"), Qt::LeftButton);
    const std::string ini = Slurp(app.folder.file(kRemoteFileName));
    const RemoteSettings saved = ReadRemoteText(ini);
    EXPECT_TRUE(saved.enabled) << row.address;
    EXPECT_EQ(saved.port, port);
    if (*row.password) {
      EXPECT_EQ(ini.find(row.password), std::string::npos);
      EXPECT_TRUE(VerifyPassword(saved.passwordHash, row.password));
    } else {
      EXPECT_EQ(saved.passwordHash, "");
    }
    EXPECT_EQ(Answers(port), row.listens) << row.address << " " << row.password;
    w = app.open();
    ASSERT_NE(w, nullptr);
    const QString status = Control<QLabel>(w, "StatusLbl")->text();
    EXPECT_NE(status.indexOf(row.status), -1) << status.toStdString();
  }
}
