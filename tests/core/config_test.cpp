#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/core/config.h"
#include "link/core/pag_com.h"
#include "support/fake_port.h"
#include "support/temp_dir.h"

using namespace scandeck;
using scandeck::testing::Slurp;
using scandeck::testing::TempDir;
namespace fs = std::filesystem;

namespace {

// Stands for the owners of the values: the link refuses what it cannot use,
// the window refuses sizes that are not positive.
struct Owners : ConfigTarget {
  scandeck::testing::FakePort device;
  PagCom link{device};
  std::string user, log_file;
  std::array<int, 9> flags{};
  bool flags_set = false;
  float width = 7320, height = 5460;

  void setUserName(const std::string& n) override { user = n; }
  bool setCommPort(long long n) override { return link.setPortNumber(n); }
  bool setCommSettings(const std::string& s) override { return link.setSettings(s); }
  void setLogFileName(const std::string& n) override { log_file = n; }
  void setLogFlags(const std::array<int, 9>& f) override {
    flags = f;
    flags_set = true;
  }
  bool setWindowWidth(float w) override { return w > 0 && (width = w, true); }
  bool setWindowHeight(float h) override { return h > 0 && (height = h, true); }
};

Owners Read(const std::string& text) {
  Owners o;
  ReadConfigText(text, o);
  return o;
}

}  // namespace

TEST(ConfigReader, AppliesEachRecognisedLine) {
  const struct {
    const char* text;
    int port;
    const char* settings;
    const char* user;
  } cases[] = {
      {"[comm port]=   3\r\n", 3, "9600,n,8,1", ""},
      {"[comm port]=3abc\r\n", 3, "9600,n,8,1", ""},
      {"[comm port]=\r\n", 1, "9600,n,8,1", ""},  // 0 is refused: the initial port stays
      {"[comm port]=2.6\r\n", 3, "9600,n,8,1", ""},
      {"[comm port]=4\r\n[comm port]=-2\r\n", 4, "9600,n,8,1", ""},  // refused value keeps the earlier one
      {"[comm speed]= 19200,n,8,1 \r\n", 1, "19200,n,8,1", ""},
      {"[comm speed]=12345,n,8,1\r\n", 1, "9600,n,8,1", ""},
      {"[comm speed]=9600,x,8,1\r\n", 1, "9600,n,8,1", ""},
      {"[comm speed]=\r\n", 1, "9600,n,8,1", ""},
      {"[UserName]=  Jo Smith  \r\n", 1, "9600,n,8,1", "Jo Smith"},
      {"[username]=Jo\r\n", 1, "9600,n,8,1", ""},
      {"[UserName]=A\r\n[UserName]=B\r\n", 1, "9600,n,8,1", "B"},
      {"[! ScanDeck Ini file ]\r\n\r\n[! comment ]\r\n", 1, "9600,n,8,1", ""},
      {"[UserName]=Unix\n[comm port]=2\n", 2, "9600,n,8,1", "Unix"},
  };
  for (const auto& c : cases) {
    const Owners o = Read(c.text);
    EXPECT_EQ(o.link.portNumber(), c.port) << c.text;
    EXPECT_EQ(o.link.settings(), c.settings) << c.text;
    EXPECT_EQ(o.user, c.user) << c.text;
  }
}

TEST(ConfigReader, LogFlagsTakeOneDigitEach) {
  const struct {
    const char* value;
    std::array<int, 9> flags;
  } cases[] = {
      {"1x0", {1, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"101100000", {1, 0, 1, 1, 0, 0, 0, 0, 0}},
      {" 111111111999", {1, 1, 1, 1, 1, 1, 1, 1, 1}},
      {"", {0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    const Owners o = Read(std::string("[Log What]=") + c.value + "\r\n");
    EXPECT_TRUE(o.flags_set);
    EXPECT_EQ(o.flags, c.flags) << c.value;
  }
}

TEST(ConfigWriter, WritesTheFourteenLinesAndReadsThemBack) {
  ScanDeckConfig c;
  c.UserName = "Jo";
  c.CommPort = "3";
  c.CommSettings = "9600,n,8,1";
  c.LogFileNameVal = "AUTOMATIC";
  c.LogFlagsVal = {1, 0, 1, 1, 0, 0, 0, 0, 0};
  c.WindowWidth = 9600;
  c.WindowHeight = 5460.5f;
  const std::string text = ConfigText(c);

  std::vector<std::string> lines;
  std::size_t start = 0;
  for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", start)) {
    lines.push_back(text.substr(start, at - start));
    start = at + 2;
  }
  EXPECT_EQ(start, text.size()) << "every line, the last included, ends with CR LF";
  ASSERT_EQ(lines.size(), 14u);
  EXPECT_EQ(lines[0], "[! ScanDeck Ini file ]");
  EXPECT_EQ(lines[1], "[! Interface created to remote control your Bc245xlt    ]");
  EXPECT_EQ(lines[2], "[! Don't modify this file or do it at your own risk :)  ]");
  EXPECT_EQ(lines[3].substr(0, 3), "[! ");
  EXPECT_EQ(lines[4].substr(0, 16), "[! MailingList :");
  EXPECT_EQ(lines[5].substr(0, 23), "[! Icq ActiveList No : ");
  EXPECT_EQ(std::vector(lines.begin() + 6, lines.end()),
            (std::vector<std::string>{"", "[UserName]=Jo", "[comm port]=3", "[comm speed]=9600,n,8,1", "[Logging File]=AUTOMATIC",
                                      "[Log What]=101100000", "[WindowWidth]=9600", "[WindowHeight]=5460.5"}));

  const Owners o = Read(text);
  EXPECT_EQ(o.user + o.log_file, "JoAUTOMATIC");
  EXPECT_EQ(o.link.portNumber(), 3);
  EXPECT_EQ(std::pair(o.width, o.height), std::pair(9600.0f, 5460.5f));

  // Sizes whose shortest form would be an exponent, which the reader takes as its
  // digits before the "e": written in full, they read back as themselves.
  for (const float size : {100000.0f, 0.0001f, 3e-7f, 1234.5677f}) {
    c.WindowWidth = size;
    EXPECT_EQ(Read(ConfigText(c)).width, size) << ConfigText(c);
  }

  ScanDeckConfig empty;  // no speed chosen, flags never set
  const std::string bare = ConfigText(empty);
  EXPECT_NE(bare.find("\r\n[comm port]=\r\n[comm speed]=\r\n"), std::string::npos);
  EXPECT_NE(bare.find("\r\n[Log What]=\r\n"), std::string::npos);
}

TEST(ConfigWriter, ReplacesTheOldFileAndAFailedWriteLeavesNoTemporary) {
  TempDir dir;
  const std::string path = dir.file("scandeck.ini");
  ScanDeckConfig c;
  c.UserName = "first";
  ASSERT_FALSE(WriteConfigFile(path, c));
  c.UserName = "second";
  const Failure replaced = WriteConfigFile(path, c);  // over an existing file
  EXPECT_FALSE(replaced) << replaced.description;
  EXPECT_EQ(Slurp(path), ConfigText(c));

  // A folder in place of the file: the rename fails and the report says so.
  const std::string blocked = dir.file("blocked");
  fs::create_directories(dir.path / "blocked" / "inner");
  EXPECT_TRUE(WriteConfigFile(blocked, c));
  EXPECT_FALSE(fs::exists(blocked + ".tmp"));
}
