// The comN rule with POSIX links to pseudo-terminals. Left out of the Windows build,
// which has neither; ports_test.cpp holds what both systems share.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/core/setup.h"
#include "link/core/com_links.h"
#include "link/core/port_holders.h"
#include "link/core/serial_devices.h"
#include "support/pty_pair.h"
#include "support/temp_dir.h"
#include "support/unprivileged.h"

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

namespace {
// What the setup window says of port 2, as an ordinary user.
std::string OpensTextAsUser(const std::string& folder) {
  return scandeck::testing::RunUnprivileged([&] { return PortOpensText(2, TargetOfPort(2, folder)); })
      .value_or("cannot become nobody");
}
}  // namespace

TEST(ComLinks, AnEntryThatCannotBeExaminedIsAnErrorNotAnotherPort) {
  TempDir dir;
  dir.write("file", "x");
  fs::create_symlink("loop", dir.path / "loop");
  fs::create_directories(dir.path / "self");
  fs::create_symlink("com2", dir.path / "self" / "com2");
  fs::create_directories(dir.path / "pair");
  fs::create_symlink("other", dir.path / "pair" / "com2");
  fs::create_symlink("com2", dir.path / "pair" / "other");
  // A private folder: the link into it and a working folder inside it.
  const fs::path closed = dir.path / "closed";
  fs::create_directories(closed / "work");
  dir.write("closed/ttyUSB0", "");
  fs::create_directories(dir.path / "into");
  fs::create_symlink(closed / "ttyUSB0", dir.path / "into" / "com2");
  fs::permissions(closed, fs::perms::owner_all);
  const std::string closed_name = closed.string();
  fs::create_directories(dir.path / "unplugged");
  fs::create_symlink(dir.path / "gone" / "ttyUSB9", dir.path / "unplugged" / "com2");
  const struct {
    std::string folder;
    std::string says;
  } cases[] = {
      {"file", "Com 2 opens nothing: the entry com2 cannot be read: a part of its path is not a folder"},
      {"loop", "Com 2 opens nothing: the entry com2 cannot be read: a link loop"},
      {"self", "Com 2 opens nothing: the entry com2 cannot be read: a link loop"},
      {"pair", "Com 2 opens nothing: the entry com2 cannot be read: a link loop"},
      {"into", "Com 2 opens nothing: the entry com2 cannot be read: permission denied on the folder " + closed_name},
      {"closed/work",
       "Com 2 opens nothing: the entry com2 cannot be read: permission denied on the folder " + closed_name},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OpensTextAsUser(dir.file(c.folder)), c.says) << c.folder;
    const PortTarget target = TargetOfPort(2, dir.file(c.folder));
    if (c.folder == "into" || c.folder == "closed/work") continue;  // readable to root
    EXPECT_EQ(target.unreadable.code, errc::kPathFileAccess) << c.folder;
    EXPECT_NE(target.open_path, "/dev/ttyS1") << c.folder;
  }
  // Only a missing target is a device not present; a missing entry is the system's port.
  EXPECT_EQ(OpensTextAsUser(dir.file("unplugged")),
            "Com 2 opens " + dir.file("gone/ttyUSB9") + " through com2, not present");
  EXPECT_FALSE(TargetOfPort(2, dir.path.string()).unreadable) << "a missing entry is no error";
}

TEST(SerialDevices, EachDeviceIsOfferedByTheStableNameThatResolvesToIt) {
  Pty ftdi, prolific;
  TempDir by_id;
  fs::create_symlink(ftdi.name, by_id.path / "usb-FTDI_A1-if00-port0");
  fs::create_symlink(prolific.name, by_id.path / "usb-Prolific-if00-port0");
  fs::create_symlink("/dev/ttyUSB-unplugged", by_id.path / "usb-Gone-if00-port0");
  const std::vector<StableName> names = ReadStableNames(by_id.path.string());
  EXPECT_EQ(names.size(), 2u) << "the dangling entry is left out";
  const std::string named = by_id.file("usb-FTDI_A1-if00-port0");
  const std::vector<SerialDevice> found = WithStableNames(
      {{ftdi.name, "FTDI", "FT232R USB UART"}, {"/dev/ttyS0", "", ""}},
      {{by_id.file("z-also-ftdi"), ftdi.name}, {named, ftdi.name}, {by_id.file("other"), "/dev/ttyUSB7"}});
  EXPECT_EQ(LinkTarget(found[0]), named) << "the first in name order";
  EXPECT_EQ(DeviceCaption(found[0]), named + " (" + ftdi.name + ", FTDI, FT232R USB UART)");
  EXPECT_EQ(LinkTarget(found[1]), "/dev/ttyS0");
  EXPECT_EQ(WithStableNames(found, names)[0].stable, named);
  EXPECT_TRUE(ReadStableNames(by_id.file("missing")).empty());
}

TEST(PortHolders, ProcessesHoldingTheDeviceAreFoundInAHostileProcTree) {
  TempDir proc;
  const std::string device = "/dev/ttyUSB0";
  const auto process = [&](const std::string& pid, const char* comm) {
    fs::create_directories(proc.path / pid / "fd");
    if (comm) proc.write(pid + "/comm", std::string(comm) + "\n");
    return proc.path / pid / "fd";
  };
  fs::create_symlink(device, process("812", "ModemManager") / "7");
  fs::create_symlink("/dev/null", process("812", "ModemManager") / "0");
  fs::create_symlink("/gone/away", process("90", "bash") / "3");           // dangling
  fs::create_symlink(device, process("77", nullptr) / "4");                 // ended: no comm
  fs::remove(process("55", "brltty"));
  proc.write("55/fd", "not a folder");                                      // unreadable fd list
  fs::create_symlink(device, process("self", "core_tests") / "5");         // not a PID
  const std::vector<Process> found = ScanProcesses(proc.path.string(), device);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].pid + found[0].name + std::to_string(found[0].holds_device), "55brltty0");
  EXPECT_EQ(found[1].pid + found[1].name + std::to_string(found[1].holds_device), "90bash0");
  EXPECT_EQ(found[2].pid + found[2].name + std::to_string(found[2].holds_device), "812ModemManager1");
  EXPECT_TRUE(ScanProcesses(proc.file("none"), device).empty());
}

TEST(PortHolders, TheAdviceNamesTheHolderAndItsTargetedFix) {
  const Process brltty{"55", "brltty", false}, mm{"812", "ModemManager", false}, minicom{"9", "minicom", true};
  const struct {
    PortTrouble trouble;
    std::vector<Process> processes;
    std::vector<std::string> says;
  } cases[] = {
      {PortTrouble::kBusy,
       {brltty, {"812", "ModemManager", true}},
       {"held by the modem manager ModemManager (process 812)",
        "ATTRS{idVendor}==\"0403\", ATTRS{idProduct}==\"6001\", ENV{ID_MM_DEVICE_IGNORE}=\"1\""}},
      {PortTrouble::kBusy,
       {{"55", "brltty", true}},
       {"held by the braille service brltty (process 55)", "Keep brltty", "/etc/brltty.conf", "USB ID 0403:6001"}},
      {PortTrouble::kBusy, {minicom, mm}, {"held by minicom (process 9)", "Close that program"}},
      {PortTrouble::kBusy, {brltty, mm}, {"in use by another program", "ModemManager runs here", "ID_MM_DEVICE_IGNORE"}},
      {PortTrouble::kVanished, {mm, brltty}, {"went away as it was opened", "brltty", "Keep brltty"}},
      {PortTrouble::kVanished, {mm}, {"check the cable"}},
  };
  for (const auto& c : cases) {
    const std::string text = TakenAdvice(c.trouble, "/dev/ttyUSB0", c.processes, "0403:6001");
    EXPECT_EQ(text.rfind("/dev/ttyUSB0 ", 0), 0u) << text;
    for (const std::string& part : c.says) EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
    for (const char* never : {"remove", "purge", "uninstall", "disable brltty"})
      EXPECT_EQ(text.find(never), std::string::npos) << never << " in " << text;
  }
  EXPECT_NE(TakenAdvice(PortTrouble::kBusy, "/dev/ttyUSB0", {mm}, "").find("idVendor}==\"vvvv\""), std::string::npos);
  const Failure busy{errc::kDeviceBusy, "advice"};
  EXPECT_EQ(SetupPortsFor(".", {}, busy).holder_hint, "advice");
  EXPECT_EQ(SetupPortsFor(".", {}, {errc::kPermissionDenied, "advice"}).holder_hint, "");
}
