// Options > Remote...: named, captioned controls, OK writing remote.ini with only the
// password's hash, and off the loopback nothing listening without one.
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

template <typename T = QWidget>
T* Control(QWidget* w, const char* name) {
  T* control = w->findChild<T*>(name);
  EXPECT_NE(control, nullptr) << name;
  return control;
}

RemoteWindow* Open(scandeck::testing::App& app) {
  app.action("RemoteMnu")->trigger();
  return app.window->findChild<RemoteWindow*>("Remote");
}

}  // namespace

TEST(RemoteWindow, ControlsAreNamedAndCaptionedAndEscapeWritesNothing) {
  scandeck::testing::App app;
  RemoteWindow* w = Open(app.load());
  ASSERT_NE(w, nullptr);
  for (const char* name : {"ServeChk", "AddressCmb", "PortBox", "PasswordBox", "NoPasswordChk", "ControlChk", "PhoneBox",
                           "StatusLbl", "OkCmd", "CancelCmd"})
    Control(w, name);
  int controls = 0;
  EXPECT_EQ(scandeck::testing::NamesMissingTheirCaption(w, controls), std::vector<std::string>{});
  EXPECT_EQ(Control<QLineEdit>(w, "PasswordBox")->echoMode(), QLineEdit::Password);
  QTest::keyClick(w, Qt::Key_Escape);
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(Slurp(app.folder.file(kRemoteFileName)), "");
}

TEST(RemoteWindow, OkSavesTheHashAndListensOnlyWhereTheRulesAllow) {
  const struct {
    const char *address, *password;
    bool listens;
    const char* status;
  } rows[] = {
      {"127.0.0.1 (this computer only)", "", true, "listening on 127.0.0.1"},
      {"0.0.0.0 (every network of this computer)", "", false, "needs a password first"},
      {"0.0.0.0 (every network of this computer)", "s3cret word", true, "listening on 0.0.0.0"},
  };
  for (const auto& row : rows) {
    scandeck::testing::App app;
    RemoteWindow* w = Open(app.load());
    ASSERT_NE(w, nullptr);
    QTcpServer probe;  // a free port
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    Control<QCheckBox>(w, "ServeChk")->setChecked(true);
    Control<QComboBox>(w, "AddressCmb")->setCurrentText(row.address);
    Control<QSpinBox>(w, "PortBox")->setValue(port);
    Control<QLineEdit>(w, "PasswordBox")->setText(row.password);
    QTest::mouseClick(Control<QPushButton>(w, "OkCmd"), Qt::LeftButton);
    const std::string ini = Slurp(app.folder.file(kRemoteFileName));
    const RemoteSettings saved = ReadRemoteText(ini);
    EXPECT_TRUE(saved.enabled && saved.port == port) << ini;
    EXPECT_TRUE(!*row.password || ini.find(row.password) == std::string::npos) << ini;
    EXPECT_TRUE(*row.password ? VerifyPassword(saved.passwordHash, row.password) : saved.passwordHash.empty());
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    EXPECT_EQ(socket.waitForConnected(2000), row.listens) << row.address << " " << row.password;
    const QString status = Control<QLabel>(Open(app), "StatusLbl")->text();
    EXPECT_NE(status.indexOf(row.status), -1) << status.toStdString();
  }
}
