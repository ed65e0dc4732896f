#include <gtest/gtest.h>

#include <string>

#include "remote/core/remote_api.h"
#include "remote/core/remote_guard.h"
#include "remote/core/remote_settings.h"
#include "support/temp_dir.h"

namespace scandeck {
namespace {

TEST(RemoteSettings, ReadsWhatItWritesAndKeepsDefaultsForNonsense) {
  const RemoteSettings defaults;
  const struct {
    std::string text;
    RemoteSettings want;
  } rows[] = {
      {"web=1\nweb_address=0.0.0.0\r\nweb_port=80\nweb_password_hash=$argon2id$x\nweb_control=0",
       {true, "0.0.0.0", 80, "$argon2id$x", false}},
      {"web=yes\nweb_address=evil.example\nweb_port=0\nweb_control=2", defaults},
      {"web_address=192.168.1.300\nweb_port=65536", defaults},
      {"web_address=::1\nweb_port=65535", {false, "::1", 65535, "", true}},
      {"web_address=1.2.3.\nweb_address=10.0.0.7", {false, "10.0.0.7", 8245, "", true}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ReadRemoteText(row.text), row.want) << row.text;
    EXPECT_EQ(ReadRemoteText(RemoteText(row.want)), row.want) << row.text;
  }
}

TEST(RemoteSettings, OffTheLoopbackNoPasswordMeansNoServerAndNoKeys) {
  using enum ServeState;
  const struct {
    const char* address;
    bool password, control;
    ServeState state;
    bool keys;
  } rows[] = {
      {"127.8.9.1", false, true, Serve, true},           {"localhost", false, true, Serve, true},
      {"::1", false, false, Serve, false},               {"0.0.0.0", false, true, NeedsPassword, false},
      {"192.168.1.20", false, true, NeedsPassword, false}, {"::", false, true, NeedsPassword, false},
      {"0.0.0.0", true, true, Serve, true},              {"0.0.0.0", true, false, Serve, false},
  };
  for (const auto& row : rows) {
    RemoteSettings s{true, row.address, 8245, row.password ? "$argon2id$x" : "", row.control};
    EXPECT_EQ(ServeStateOf(s), row.state) << row.address;
    EXPECT_EQ(ControlAllowed(s), row.keys) << row.address;
    s.enabled = false;
    EXPECT_EQ(ServeStateOf(s), Off);
  }
}

TEST(RemoteGuard, HostMustNameThisServerAndOriginThePageItself) {
  const auto names = HostNames("0.0.0.0", {"192.168.1.20", "fe80::1"});
  for (const char* host : {"127.0.0.1:8245", "LOCALHOST:8245", "[::1]:8245", "192.168.1.20:8245", "[fe80::1]:8245"})
    EXPECT_TRUE(HostAllowed(host, names, 8245)) << host;
  for (const char* host : {"127.0.0.1:8246", "127.0.0.1", "evil.example:8245", "0.0.0.0:8245", "",
                           "localhost.evil.example:8245", "127.0.0.1:8245:8245", "[::1]"})
    EXPECT_FALSE(HostAllowed(host, names, 8245)) << host;
  EXPECT_TRUE(HostAllowed("localhost", HostNames("127.0.0.1", {}), 80));
  EXPECT_TRUE(HostAllowed("10.1.1.1:8245", HostNames("10.1.1.1", {}), 8245));

  EXPECT_TRUE(OriginAllowed("http://127.0.0.1:8245", "127.0.0.1:8245"));
  EXPECT_TRUE(OriginAllowed("", "127.0.0.1:8245"));  // a program, not another site's page
  for (const char* origin : {"http://evil.example", "null", "https://127.0.0.1:8245", "http://127.0.0.1:8245.evil.example"})
    EXPECT_FALSE(OriginAllowed(origin, "127.0.0.1:8245")) << origin;
  EXPECT_FALSE(OriginAllowed("http://127.0.0.1:8245", "localhost:8245"));
}

TEST(RemoteGuard, TenWrongPasswordsTakeMinutesPerAddressInABoundedTable) {
  LoginThrottle throttle;
  SteadyMs now{1000}, waited{0};
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(throttle.waitFor("10.0.0.9", now).count(), 0);
    throttle.failed("10.0.0.9", now);
    waited += throttle.waitFor("10.0.0.9", now);
    now = SteadyMs{1000} + waited;
  }
  EXPECT_GT(waited, SteadyMs{5 * 60 * 1000});
  EXPECT_GT(throttle.waitFor("10.0.0.9", now - SteadyMs{1}).count(), 0);
  EXPECT_EQ(throttle.waitFor("10.0.0.8", now).count(), 0);
  throttle.succeeded("10.0.0.9");
  EXPECT_EQ(throttle.waitFor("10.0.0.9", SteadyMs{0}).count(), 0);
  for (int i = 0; i < 5000; ++i) throttle.failed("a" + std::to_string(i), now);
  EXPECT_EQ(throttle.size(), LoginThrottle::kMaxAddresses);
}

TEST(RemoteGuard, SessionsAreRandomBoundedAndEndTogetherAndComeByCookie) {
  Sessions sessions;
  const std::string a = sessions.open(), b = sessions.open();
  EXPECT_TRUE(a != b && sessions.valid(a) && sessions.valid(b));
  EXPECT_FALSE(sessions.valid(a.substr(0, 63) + (a.back() == '0' ? "1" : "0")));
  EXPECT_FALSE(sessions.valid(""));
  for (std::size_t i = 0; i < Sessions::kMaxSessions; ++i) sessions.open();
  EXPECT_EQ(sessions.size(), Sessions::kMaxSessions);
  EXPECT_FALSE(sessions.valid(a));  // the oldest went
  const std::string c = sessions.open();
  sessions.endAll();
  EXPECT_FALSE(sessions.valid(c));

  EXPECT_EQ(CookieValue("a=1; scandeck_session=abc; b=2", kSessionCookie), "abc");
  for (const char* header : {"xscandeck_session=abc", "scandeck_session"})
    EXPECT_EQ(CookieValue(header, kSessionCookie), std::nullopt) << header;
  EXPECT_EQ(FormValue("user=x&password=a%2Bb+c%26%", "password"), "a+b c&%");
  EXPECT_EQ(FormValue("password=", "password"), "");
  EXPECT_EQ(FormValue("passwords=x", "password"), std::nullopt);
}

TEST(RemoteApi, OnlyTheWindowsKeysHaveNamesAndTextIsUtf8Json) {
  const std::vector<std::string> captions{"SCAN", "MANUAL", "HOLD"};
  using K = RemoteKey::Kind;
  EXPECT_EQ(KeyFromName("HOLD", captions), (RemoteKey{K::Panel, 2}));
  EXPECT_EQ(KeyFromName("BANK10", captions), (RemoteKey{K::Bank, 10}));
  EXPECT_EQ(KeyFromName("ID7", captions), (RemoteKey{K::IdBank, 7}));
  for (const char* name : {"scan", "SCAN ", "BANK0", "BANK11", "BANK01", "BANK", "ID-1", "ID+1", "PM001", "", "KEY00\r"})
    EXPECT_EQ(KeyFromName(name, captions), std::nullopt) << name;
  const auto names = KeyNames(captions);
  EXPECT_EQ(names.size(), 23u);
  for (const auto& name : names) EXPECT_TRUE(KeyFromName(name, captions)) << name;

  RemoteRow row;
  row.talkgroup = row.active = true;
  row.id = "2032";
  row.name = "Fire \"A\" \xe9";  // Latin-1 in the directory
  EXPECT_NE(CallEventJson(row, false).find(R"("kind":"talkgroup","bank":"","id":"2032","name":"Fire \"A\" )"
                                           "\xc3\xa9\""),
            std::string::npos)
      << CallEventJson(row, false);
}

}  // namespace
}  // namespace scandeck
