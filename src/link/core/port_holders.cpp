#include "link/core/port_holders.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace scandeck {

namespace fs = std::filesystem;

namespace {
bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string FirstLine(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string line;
  if (!std::getline(in, line)) return {};
  return line.substr(0, 64);  // comm is at most 15 bytes; a hostile file is cut short
}

bool HoldsDevice(const fs::path& fd_folder, const std::string& device, const std::string& canonical) {
  std::error_code ec;
  for (fs::directory_iterator fd(fd_folder, ec), end; !ec && fd != end; fd.increment(ec)) {
    std::error_code link_ec;
    const fs::path to = fs::read_symlink(fd->path(), link_ec);
    if (!link_ec && (to == device || to == canonical)) return true;
  }
  return false;
}

constexpr const char* kBrltty = "brltty";
constexpr const char* kModemManager = "ModemManager";

// "0403:6001" into its two halves; placeholders the user fills in from lsusb otherwise.
std::pair<std::string, std::string> UsbIdHalves(const std::string& usb_id) {
  const std::size_t colon = usb_id.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == usb_id.size()) return {"vvvv", "pppp"};
  return {usb_id.substr(0, colon), usb_id.substr(colon + 1)};
}

std::string UsbIdNote(const std::string& usb_id) {
  return usb_id.empty() ? " (vvvv:pppp is the adapter's ID as  lsusb  shows it)" : "";
}

std::string BrlttyAdvice(const std::string& usb_id) {
  const auto [vendor, product] = UsbIdHalves(usb_id);
  return "Keep brltty, as blind users read the screen through it, and tell it to leave this adapter alone: "
         "in /etc/brltty.conf set braille-device to the braille display's own port instead of usb: or auto, "
         "or, when no braille display uses this chip, put # before the lines for USB ID " +
         vendor + ":" + product + UsbIdNote(usb_id) +
         " in a copy of brltty's udev rules (85-brltty.rules, copied from /lib/udev/rules.d to /etc/udev/rules.d). "
         "Then unplug the adapter and plug it in again.";
}

std::string ModemManagerAdvice(const std::string& usb_id) {
  const auto [vendor, product] = UsbIdHalves(usb_id);
  return "Tell the modem manager to ignore this adapter: put the line  SUBSYSTEM==\"tty\", ATTRS{idVendor}==\"" +
         vendor + "\", ATTRS{idProduct}==\"" + product + "\", ENV{ID_MM_DEVICE_IGNORE}=\"1\"  in the file "
         "/etc/udev/rules.d/70-scandeck.rules" + UsbIdNote(usb_id) +
         ", run  sudo udevadm control --reload  then unplug the adapter and plug it in again.";
}

const Process* Named(const std::vector<Process>& processes, const char* name) {
  const auto it = std::find_if(processes.begin(), processes.end(), [&](const Process& p) { return p.name == name; });
  return it == processes.end() ? nullptr : &*it;
}
}  // namespace

std::vector<Process> ScanProcesses(const std::string& proc_root, const std::string& device) {
  std::error_code ec;
  const std::string canonical = fs::weakly_canonical(device, ec).string();
  std::vector<Process> found;
  for (fs::directory_iterator it(proc_root, ec), end; !ec && it != end; it.increment(ec)) {
    Process process{it->path().filename().string(), FirstLine(it->path() / "comm")};
    if (!AllDigits(process.pid) || process.name.empty()) continue;
    process.holds_device = HoldsDevice(it->path() / "fd", device, canonical);
    found.push_back(std::move(process));
  }
  std::sort(found.begin(), found.end(), [](const Process& a, const Process& b) {
    return std::pair(a.pid.size(), a.pid) < std::pair(b.pid.size(), b.pid);
  });
  return found;
}

std::string TakenAdvice(PortTrouble trouble, const std::string& device, const std::vector<Process>& processes,
                        const std::string& usb_id) {
  const auto holder = std::find_if(processes.begin(), processes.end(), [](const Process& p) { return p.holds_device; });
  if (holder != processes.end()) {
    const std::string held = device + " is held by ";
    const std::string which = " (process " + holder->pid + "). ";
    if (holder->name == kBrltty) return held + "the braille service brltty" + which + BrlttyAdvice(usb_id);
    if (holder->name == kModemManager) return held + "the modem manager ModemManager" + which + ModemManagerAdvice(usb_id);
    return held + holder->name + which + "Close that program, then start ScanDeck again.";
  }
  // Nobody seen holding it: the services run as root, whose open files we usually may not read.
  if (trouble == PortTrouble::kVanished) {
    if (Named(processes, kBrltty))
      return device + " went away as it was opened, as happens when the braille service brltty takes the adapter "
                      "for a braille display. " + BrlttyAdvice(usb_id);
    return device + " went away as it was opened: check the cable, plug the adapter in again and start ScanDeck again.";
  }
  std::string text = device + " is in use by another program.";
  if (Named(processes, kModemManager))
    text += " The modem manager ModemManager runs here and is the usual one. " + ModemManagerAdvice(usb_id);
  else if (Named(processes, kBrltty))
    text += " The braille service brltty runs here and may be the one. " + BrlttyAdvice(usb_id);
  else
    text += " Close any other program using it (a terminal program, a second ScanDeck), then start ScanDeck again.";
  return text;
}

}  // namespace scandeck
