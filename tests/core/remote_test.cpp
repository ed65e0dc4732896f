#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

#include "remote/core/remote_api.h"
#include "remote/core/remote_guard.h"
#include "remote/core/remote_settings.h"
#include "support/temp_dir.h"

namespace scandeck {
namespace {

TEST(RemoteSettings, ReadsWhatItWritesAndKeepsDefaultsForNonsense) {
  const struct {
    std::string text;
    RemoteSettings want;
  } rows[] = {
      {"", {false, "127.0.0.1", 8245, "", true}},
      {"web=1\nweb_address=0.0.0.0\r\nweb_port=80\nweb_password_hash=$argon2id$x\nweb_control=0",
       {true, "0.0.0.0", 80, "$argon2id$x", false}},
      {"web=yes\nweb_address=evil.example\nweb_port=0\nweb_control=2", {false, "127.0.0.1", 8245, "", true}},
      {"web_address=192.168.1.300\nweb_port=65536", {false, "127.0.0.1", 8245, "", true}},
      {"web_address=::1\nweb_port=65535", {false, "::1", 65535, "", true}},
      {"web_address=1.2.3.\nweb_address=10.0.0.7", {false, "10.0.0.7", 8245, "", true}},
  };
  for (const auto& row : rows) {
    const RemoteSettings got = ReadRemoteText(row.text);
    EXPECT_EQ(got, row.want) << row.text;
    EXPECT_EQ(ReadRemoteText(RemoteText(got)), got) << row.text;
  }
}

TEST(RemoteSettings, OffTheLoopbackNoPasswordMeansNoServerAndNoKeys) {
  const struct {
    const char* address;
    bool password, control;
    ServeState state;
    bool keys;
  } rows[] = {
      {"127.0.0.1", false, true, ServeState::Serve, true},
      {"127.8.9.1", false, true, ServeState::Serve, true},
      {"localhost", false, true, ServeState::Serve, true},
      {"::1", false, false, ServeState::Serve, false},
      {"0.0.0.0", false, true, ServeState::NeedsPassword, false},
      {"192.168.1.20", false, true, ServeState::NeedsPassword, false},
      {"::", false, true, ServeState::NeedsPassword, false},
      {"0.0.0.0", true, true, ServeState::Serve, true},
      {"0.0.0.0", true, false, ServeState::Serve, false},
  };
  for (const auto& row : rows) {
    RemoteSettings s;
    s.enabled = true;
    s.address = row.address;
    s.control = row.control;
    if (row.password) s.passwordHash = "$argon2id$x";
    EXPECT_EQ(ServeStateOf(s), row.state) << row.address;
    EXPECT_EQ(ControlAllowed(s), row.keys) << row.address;
    s.enabled = false;
    EXPECT_EQ(ServeStateOf(s), ServeState::Off);
  }
}

TEST(RemoteSettings, FileIsOwnerOnlyAndHoldsOnlyTheHash) {
  testing::TempDir dir;
  const std::string path = dir.file("remote.ini");
  RemoteSettings s;
  s.passwordHash = HashPassword("correct horse");
  ASSERT_FALSE(s.passwordHash.empty());
  ASSERT_FALSE(WriteRemoteFile(path, s));
  struct stat st{};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  EXPECT_EQ(text.str().find("correct horse"), std::string::npos);
  EXPECT_EQ(ReadRemoteFile(path), s);
  EXPECT_TRUE(VerifyPassword(ReadRemoteFile(path).passwordHash, "correct horse"));
  EXPECT_FALSE(VerifyPassword(s.passwordHash, "correct horsE"));
  EXPECT_FALSE(VerifyPassword(s.passwordHash, ""));
  EXPECT_FALSE(VerifyPassword("", "correct horse"));
  EXPECT_NE(HashPassword("correct horse"), s.passwordHash);  // salted
}

TEST(RemoteGuard, HostMustNameThisServer) {
  const auto names = HostNames("0.0.0.0", {"192.168.1.20", "fe80::1"});
  const struct {
    const char* host;
    bool ok;
  } rows[] = {
      {"127.0.0.1:8245", true},     {"localhost:8245", true},      {"LOCALHOST:8245", true},
      {"[::1]:8245", true},         {"192.168.1.20:8245", true},   {"[fe80::1]:8245", true},
      {"127.0.0.1:8246", false},    {"127.0.0.1", false},          {"evil.example:8245", false},
      {"0.0.0.0:8245", false},      {"", false},                   {"localhost.evil.example:8245", false},
      {"127.0.0.1:8245:8245", false}, {"[::1]", false},
  };
  for (const auto& row : rows) EXPECT_EQ(HostAllowed(row.host, names, 8245), row.ok) << row.host;
  EXPECT_TRUE(HostAllowed("localhost", HostNames("127.0.0.1", {}), 80));
  EXPECT_TRUE(HostAllowed("10.1.1.1:8245", HostNames("10.1.1.1", {}), 8245));
}

TEST(RemoteGuard, OriginMustBeThePageItself) {
  const struct {
    const char *origin, *host;
    bool ok;
  } rows[] = {
      {"http://127.0.0.1:8245", "127.0.0.1:8245", true},
      {"", "127.0.0.1:8245", true},  // a program, not another site's page
      {"http://evil.example", "127.0.0.1:8245", false},
      {"null", "127.0.0.1:8245", false},
      {"https://127.0.0.1:8245", "127.0.0.1:8245", false},
      {"http://127.0.0.1:8245", "localhost:8245", false},
      {"http://127.0.0.1:8245.evil.example", "127.0.0.1:8245", false},
  };
  for (const auto& row : rows) EXPECT_EQ(OriginAllowed(row.origin, row.host), row.ok) << row.origin;
}

TEST(RemoteGuard, TenWrongPasswordsTakeMinutes) {
  LoginThrottle throttle;
  SteadyMs now{1000};
  SteadyMs waited{0};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(throttle.waitFor("10.0.0.9", now).count(), 0);
    throttle.failed("10.0.0.9", now);
    const SteadyMs wait = throttle.waitFor("10.0.0.9", now);
    EXPECT_GT(wait.count(), 0);
    waited += wait;
    now += wait;
  }
  EXPECT_GT(waited, SteadyMs{5 * 60 * 1000});
  EXPECT_GT(throttle.waitFor("10.0.0.9", now - SteadyMs{1}).count(), 0);
  EXPECT_EQ(throttle.waitFor("10.0.0.8", now).count(), 0);  // per address
  throttle.succeeded("10.0.0.9");
  EXPECT_EQ(throttle.waitFor("10.0.0.9", SteadyMs{0}).count(), 0);
  for (int i = 0; i < 5000; ++i) throttle.failed("a" + std::to_string(i), now);
  EXPECT_EQ(throttle.size(), LoginThrottle::kMaxAddresses);
}

TEST(RemoteGuard, SessionsAreRandomBoundedAndEndTogether) {
  Sessions sessions;
  const std::string a = sessions.open(), b = sessions.open();
  EXPECT_NE(a, b);
  EXPECT_TRUE(sessions.valid(a) && sessions.valid(b));
  EXPECT_FALSE(sessions.valid(a.substr(0, 63) + (a.back() == '0' ? "1" : "0")));
  EXPECT_FALSE(sessions.valid(""));
  for (std::size_t i = 0; i < Sessions::kMaxSessions; ++i) sessions.open();
  EXPECT_EQ(sessions.size(), Sessions::kMaxSessions);
  EXPECT_FALSE(sessions.valid(a));  // the oldest went
  const std::string c = sessions.open();
  sessions.endAll();
  EXPECT_FALSE(sessions.valid(c));
}

TEST(RemoteGuard, CookieAndFormValues) {
  EXPECT_EQ(CookieValue("a=1; scandeck_session=abc; b=2", kSessionCookie), "abc");
  EXPECT_EQ(CookieValue("xscandeck_session=abc", kSessionCookie), std::nullopt);
  EXPECT_EQ(CookieValue("scandeck_session", kSessionCookie), std::nullopt);
  EXPECT_EQ(FormValue("user=x&password=a%2Bb+c%26%", "password"), "a+b c&%");
  EXPECT_EQ(FormValue("password=", "password"), "");
  EXPECT_EQ(FormValue("passwords=x", "password"), std::nullopt);
}

TEST(RemoteApi, OnlyTheWindowsKeysHaveNames) {
  const std::vector<std::string> captions{"SCAN", "MANUAL", "HOLD"};
  using K = RemoteKey::Kind;
  const struct {
    const char* name;
    std::optional<RemoteKey> key;
  } rows[] = {
      {"SCAN", RemoteKey{K::Panel, 0}}, {"HOLD", RemoteKey{K::Panel, 2}}, {"BANK1", RemoteKey{K::Bank, 1}},
      {"BANK10", RemoteKey{K::Bank, 10}}, {"ID7", RemoteKey{K::IdBank, 7}}, {"scan", std::nullopt},
      {"SCAN ", std::nullopt}, {"BANK0", std::nullopt}, {"BANK11", std::nullopt}, {"BANK01", std::nullopt},
      {"BANK", std::nullopt}, {"ID-1", std::nullopt}, {"ID+1", std::nullopt}, {"PM001", std::nullopt},
      {"", std::nullopt}, {"KEY00\r", std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(KeyFromName(row.name, captions), row.key) << row.name;
  for (const auto& name : KeyNames(captions)) EXPECT_TRUE(KeyFromName(name, captions)) << name;
  EXPECT_EQ(KeyNames(captions).size(), 23u);
}

TEST(RemoteApi, RowsAndEventsAreJson) {
  RemoteRow row;
  row.talkgroup = true;
  row.bank = "1";
  row.id = "2032";
  row.name = "Fire \"A\" \xe9";
  row.hits = 3;
  row.active = true;
  EXPECT_EQ(CallEventJson(row, false),
            R"({"type":"call","event":"end","row":{"kind":"talkgroup","bank":"1","id":"2032","name":"Fire \"A\" )"
            "\xc3\xa9"
            R"(","type":"","hits":3,"first":0,"last":0,"active_seconds":0,"active":true}})");
  EXPECT_EQ(HeardJson({}), R"({"rows":[]})");
  EXPECT_EQ(HelloJson(false, {"SCAN", "ID1"}), R"({"type":"hello","control":false,"keys":["SCAN","ID1"]})");
  EXPECT_EQ(StatusEventJson(R"({"mode":"SCAN"})"), R"({"type":"status","status":{"mode":"SCAN"}})");
}

}  // namespace
}  // namespace scandeck
