#include <gtest/gtest.h>

#include <string>

#include "mqtt/core/mqtt_publisher.h"
#include "mqtt/core/mqtt_settings.h"
#include "status/core/status_json.h"
#include "ui/core/control_panel.h"

namespace scandeck {
namespace {

TEST(StatusJson, EscapesEveryByteAJsonReaderWouldChokeOn) {
  const struct {
    std::string latin1, json;
  } rows[] = {
      {"Fire \"A\"", R"("Fire \"A\"")"},
      {"C:\\dir", R"("C:\\dir")"},
      {"a\nb\rc\td", R"("a\nb\rc\td")"},
      {std::string("x\x01y\x1f\x7f", 5), R"("x\u0001y\u001f\u007f")"},
      {"Caf\xe9 \xb5", "\"Caf\xc3\xa9 \xc2\xb5\""},  // Latin-1 becomes UTF-8
      {"", R"("")"},
  };
  for (const auto& row : rows) EXPECT_EQ(JsonString(row.latin1), row.json) << row.latin1;
}

TEST(StatusJson, CarriesWhatTheDisplayShows) {
  ScannerStatus s;
  s.ModeText = "TRUNK SCAN ";
  s.FrequencyText = " 154.4300";
  s.ChannelName = "Dispatch\"1\"";
  s.SquelchOpen = true;
  s.TalkgroupId = "2032";
  s.TalkgroupName = "Fire";
  s.TalkgroupActive = true;
  s.BankLit[1] = s.BankLit[10] = true;
  s.ScanBanks[2] = "B";  // clicked, not yet confirmed by the scanner
  s.IdBankLit[3] = true;
  s.LockoutOn = true;
  const std::string j = StatusJson(s);
  for (const char* part : {R"("mode":"TRUNK SCAN")", R"("frequency":"154.4300")", R"("name":"Dispatch\"1\"")",
                           R"("squelch":"open")", R"("talkgroup":"2032")", R"("talkgroup_name":"Fire")",
                           R"("talkgroup_active":true)", R"("scan_banks":[1,10])", R"("id_banks":[3])",
                           R"("lockout":true})", R"("delay":false)"})
    EXPECT_NE(j.find(part), std::string::npos) << part << " in " << j;
  EXPECT_EQ(j.front(), '{');
}

TEST(MqttSettings, ReadsWritesAndRefusesWhatCannotBeATopic) {
  // (Off, and commands off, by default: tests/qt/integrations_e2e_test.cpp and tests/mqtt.)
  MqttSettings s = ReadMqttText("", "my host/+#");
  EXPECT_EQ(s.prefix, "scandeck/my_host___");
  EXPECT_EQ(DefaultMqttPrefix(std::string("a\tb\x01\xe9", 5)), "scandeck/a_b__");
  EXPECT_EQ(DefaultMqttPrefix(""), "scandeck/scanner");

  for (const char* bad : {"a/+/b", "a/#", "/a", "a/", "a//b", "", "a\x01b", "caf\xe9"})
    EXPECT_EQ(ReadMqttText(std::string("mqtt_prefix=") + bad, "h").prefix, "scandeck/h") << bad;
  EXPECT_EQ(ReadMqttText("mqtt_port=0\nmqtt_port=99999\nmqtt_keepalive=1", "h").port, 1883);

  s.enabled = s.tls = s.discovery = s.commands = true;
  s.host = "broker.lan";
  s.port = 8883;
  s.user = "u";
  s.password = "p=w\nx";  // a line break cannot end the value early
  s.protocol = 5;
  s.prefix = "site/one";
  const MqttSettings back = ReadMqttText(MqttText(s), "h");
  EXPECT_EQ(back.password, "p=w x");
  s.password = back.password;
  EXPECT_EQ(back, s);
}

TEST(MqttOutbox, StatusOnlyOnChangeAndTheNewestWhileAway) {
  MqttOutbox box;
  EXPECT_TRUE(box.offerStatus("{\"a\":1}"));
  EXPECT_FALSE(box.offerStatus("{\"a\":1}"));
  auto sent = box.take("p");
  EXPECT_EQ(sent, (std::vector<MqttMessage>{{"p/status", "{\"a\":1}", true}}));
  EXPECT_FALSE(box.offerStatus("{\"a\":1}"));
  EXPECT_TRUE(box.take("p").empty());

  // Away: three changes, one status when back, the newest.
  for (const char* s : {"1", "2", "3"}) box.offerStatus(s);
  box.addCall("c1");
  box.addCall("c2");
  sent = box.take("p");
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].payload, "3");
  EXPECT_EQ(sent[1], (MqttMessage{"p/call", "c1", false}));
  EXPECT_EQ(sent[2].payload, "c2");

  // A new connection sends the current status again, even unchanged.
  box.connected();
  EXPECT_EQ(box.take("p"), (std::vector<MqttMessage>{{"p/status", "3", true}}));
}

TEST(MqttOutbox, KeepsTheLastThousandCallsInOrder) {
  MqttOutbox box;
  for (int i = 0; i < 2500; ++i) box.addCall(std::to_string(i));
  EXPECT_EQ(box.queuedCalls(), MqttOutbox::kMaxQueuedCalls);
  EXPECT_EQ(box.droppedCalls(), 1500u);
  auto sent = box.take("p");
  ASSERT_EQ(sent.size(), 1000u);
  EXPECT_EQ(sent.front().payload, "1500");
  EXPECT_EQ(sent.back().payload, "2499");

  // The connection dropped after 400 went out; 10 more came meanwhile.
  box.offerStatus("s");
  box.take("p");
  for (int i = 2500; i < 2510; ++i) box.addCall(std::to_string(i));
  sent.erase(sent.begin(), sent.begin() + 400);
  sent.insert(sent.begin(), {"p/status", "s", true});
  box.putBack(std::move(sent));
  EXPECT_EQ(box.droppedCalls(), 1500u);
  sent = box.take("p");
  ASSERT_EQ(sent.size(), 611u);
  EXPECT_EQ(sent[0].payload, "s");
  EXPECT_EQ(sent[1].payload, "1900");
  EXPECT_EQ(sent[600].payload, "2499");
  EXPECT_EQ(sent[610].payload, "2509");
}

TEST(CallJson, StartAndEndWithDuration) {
  CallEvent c;
  c.talkgroup = true;
  c.trunkBank = "2";
  c.id = "2032";
  c.name = "Fire \xe9";
  c.frequency = "851.0125";
  c.startMs = 1765166724250;  // 2025-12-08T04:05:24.250Z
  EXPECT_EQ(CallJson(c),
            "{\"event\":\"start\",\"kind\":\"talkgroup\",\"channel\":\"\",\"trunk_bank\":\"2\",\"talkgroup\":\"2032\","
            "\"name\":\"Fire \xc3\xa9\",\"type\":\"\",\"frequency\":\"851.0125\",\"start\":\"2025-12-08T04:05:24.250Z\","
            "\"end\":null,\"duration\":0.000}");
  c.started = false;
  c.endMs = c.startMs + 61005;
  const std::string end = CallJson(c);
  EXPECT_NE(end.find("\"end\":\"2025-12-08T04:06:25.255Z\",\"duration\":61.005}"), std::string::npos) << end;
  EXPECT_EQ(UtcText(0), "1970-01-01T00:00:00.000Z");
}

TEST(MqttDiscovery, FourSensorsBoundToTheAvailability) {
  const auto messages = DiscoveryMessages("scandeck/my-pc");
  ASSERT_EQ(messages.size(), 4u);
  for (const auto& m : messages) {
    EXPECT_TRUE(m.retain);
    EXPECT_EQ(m.topic.rfind("homeassistant/sensor/scandeck_my-pc/", 0), 0u) << m.topic;
    EXPECT_NE(m.payload.find("\"availability_topic\":\"scandeck/my-pc/availability\""), std::string::npos);
    EXPECT_NE(m.payload.find("\"state_topic\":\"scandeck/my-pc/status\""), std::string::npos);
  }
  EXPECT_NE(messages[0].payload.find("{{ value_json.frequency }}"), std::string::npos);
}

TEST(KeyFilter, OnlyAKeyCaptionExactly) {
  std::vector<std::string> captions;
  for (const auto& key : kPanelKeys) captions.emplace_back(key.caption);
  KeyFilter filter(captions);
  for (std::size_t i = 0; i < captions.size(); ++i) EXPECT_EQ(filter.accept(captions[i]), i);
  const std::string hostile[] = {"", "scan", "SCAN ", " SCAN", "SCAN\n", std::string("SCAN\0", 5), "KEY04H",
                                 "SCAN;KEY", "\xff\xfe", std::string(1 << 20, 'S'), "PM001", "DATA", "L/O"};
  for (const auto& payload : hostile) EXPECT_FALSE(filter.accept(payload)) << payload.substr(0, 20);
  EXPECT_EQ(filter.ignored(), std::size(hostile));
}

}  // namespace
}  // namespace scandeck
