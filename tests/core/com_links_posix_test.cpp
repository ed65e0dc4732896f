// The comN rule with POSIX links to pseudo-terminals. Left out of the Windows build,
// which has neither; ports_test.cpp holds what both systems share.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/core/setup.h"
#include "link/core/com_links.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"

using namespace scandeck;
namespace fs = std::filesystem;
using scandeck::testing::Slurp;
using scandeck::testing::TempDir;

namespace {
using Pty = scandeck::testing::PtyPair;

enum class Entry { None, LinkToPty, RelativeLinkToPty, DanglingLink, RegularFile, Folder };

void Make(Entry entry, const TempDir& dir, const std::string& pty) {
  const fs::path com = dir.path / "com2";
  switch (entry) {
    case Entry::None: break;
    case Entry::LinkToPty: fs::create_symlink(pty, com); break;
    case Entry::RelativeLinkToPty: fs::create_symlink(fs::relative(pty, dir.path), com); break;
    case Entry::DanglingLink: fs::create_symlink("/dev/ttyUSB-unplugged", com); break;
    case Entry::RegularFile: dir.write("com2", "notes"); break;
    case Entry::Folder: fs::create_directory(com); break;
  }
}
}  // namespace

TEST(ComLinks, PortNumberOpensTheComEntryInTheFolderElseThePlatformName) {
  Pty pty;
  ASSERT_FALSE(pty.name.empty());
  const struct {
    Entry entry;
    bool via_link;
    std::string device;  // empty: the pty
    bool exists;
  } cases[] = {
      {Entry::None, false, "/dev/ttyS1", fs::exists("/dev/ttyS1")},
      {Entry::LinkToPty, true, "", true},
      {Entry::RelativeLinkToPty, true, "", true},
      {Entry::DanglingLink, true, "/dev/ttyUSB-unplugged", false},
      {Entry::RegularFile, true, "<com2>", true},
  };
  for (const auto& c : cases) {
    TempDir dir;
    Make(c.entry, dir, pty.name);
    const PortTarget target = TargetOfPort(2, dir.path.string());
    const std::string com2 = (dir.path / "com2").string();
    EXPECT_EQ(target.via_link, c.via_link) << int(c.entry);
    EXPECT_EQ(target.open_path, c.via_link ? com2 : "/dev/ttyS1") << int(c.entry);
    EXPECT_EQ(target.device, c.device.empty() ? pty.name : c.device == "<com2>" ? com2 : c.device) << int(c.entry);
    EXPECT_EQ(target.exists, c.exists) << int(c.entry);
  }
  EXPECT_EQ(TargetOfPort(4, "/nonexistent").open_path, "/dev/ttyS3");
}

TEST(ComLinks, LinkingCreatesOrReplacesOnlyALink) {
  Pty adapter;
  ASSERT_FALSE(adapter.name.empty());
  const struct {
    Entry before;
    bool linked;
  } cases[] = {
      {Entry::None, true},         {Entry::LinkToPty, true},    {Entry::DanglingLink, true},
      {Entry::RegularFile, false}, {Entry::Folder, false},
  };
  for (const auto& c : cases) {
    TempDir dir;
    Pty old_adapter;
    Make(c.before, dir, old_adapter.name);
    const Failure f = LinkPort(2, adapter.name, dir.path.string());
    EXPECT_EQ(bool(f), !c.linked) << int(c.before) << f.description;
    const fs::path com = dir.path / "com2";
    if (c.linked) {
      EXPECT_TRUE(fs::is_symlink(com));
      const PortTarget target = TargetOfPort(2, dir.path.string());
      EXPECT_EQ(target.device, adapter.name);
      EXPECT_TRUE(target.exists);
    } else {
      EXPECT_FALSE(fs::is_symlink(com)) << "left as it was";
    }
    if (c.before == Entry::RegularFile) {
      EXPECT_EQ(Slurp(com.string()), "notes");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), c.before != Entry::None || c.linked)
        << "no temporary left behind";
  }
}

TEST(SetupPorts, TheChosenDeviceIsLinkedOnlyWhenAPortIsChosen) {
  Pty adapter;
  TempDir dir;
  SetupChoice choice;
  choice.device = adapter.name;
  EXPECT_FALSE(LinkChosenDevice(choice, dir.path.string()));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir.path / "com1")));
  choice.port = 3;
  EXPECT_FALSE(LinkChosenDevice(choice, dir.path.string()));
  EXPECT_EQ(fs::read_symlink(dir.path / "com3"), adapter.name);

  dir.write("com1", "x");
  choice.port = 1;
  const Failure refused = LinkChosenDevice(choice, dir.path.string());
  EXPECT_EQ(LinkFailedText(choice, refused).rfind("com1 was not linked to " + adapter.name + ": ", 0), 0u);

  const SetupPorts ports = SetupPortsFor(dir.path.string(), {}, Failure{});
  EXPECT_EQ(ports.opens[2], "Com 3 opens " + adapter.name + " through com3, present");
  EXPECT_EQ(ports.opens[1].rfind("Com 2 opens /dev/ttyS1, ", 0), 0u);
  const struct {
    Failure open_failure;
    bool hint;
  } hints[] = {{{}, false}, {{errc::kPermissionDenied, "Permission denied"}, true}, {{errc::kInvalidPortNumber, "x"}, false}};
  for (const auto& h : hints) EXPECT_EQ(SetupPortsFor(".", {}, h.open_failure).permission_hint, h.hint) << h.open_failure.code;
}
