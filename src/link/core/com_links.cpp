#include "link/core/com_links.h"

#include <cerrno>
#include <filesystem>

#include "common/core/platform.h"

namespace scandeck {

namespace fs = std::filesystem;

namespace {
fs::path ComPath(int port_number, const std::string& folder) {
  return fs::path(folder.empty() ? "." : folder) / ComLinkName(port_number);
}

bool Exists(const fs::path& path) {
  std::error_code ignored;
  return fs::exists(path, ignored);
}

// The first folder along `path` that refuses to be searched.
std::string DenyingFolder(const fs::path& path) {
  fs::path prefix;
  for (const fs::path& part : path) {
    const fs::path next = prefix / part;
    std::error_code ec;
    (void)fs::symlink_status(next, ec);
    if (ec == std::errc::permission_denied) return prefix.empty() ? std::string(".") : prefix.string();
    prefix = next;
  }
  return path.parent_path().string();
}

// Why an entry (or what its link leads to) cannot be examined, in the user's words.
std::string Unreachable(const fs::path& path, const std::error_code& ec) {
  if (ec == std::errc::too_many_symbolic_link_levels) return "a link loop";
  if (ec == std::errc::permission_denied) return "permission denied on the folder " + DenyingFolder(path);
  if (ec == std::errc::not_a_directory) return "a part of its path is not a folder";
  return ec.message();
}

Failure UnreadableEntry(int port_number, const fs::path& path, const std::error_code& ec) {
  return {errc::kPathFileAccess, "the entry " + ComLinkName(port_number) + " cannot be read: " + Unreachable(path, ec)};
}
}  // namespace

std::string ComLinkName(int port_number) { return "com" + std::to_string(port_number); }

std::string PlatformPortName(int port_number) {
  if constexpr (platform::kWindows) return "COM" + std::to_string(port_number);
  return "/dev/ttyS" + std::to_string(port_number - 1);
}

PortTarget TargetOfPort(int port_number, const std::string& folder) {
  PortTarget target;
  const fs::path local = ComPath(port_number, folder);
  std::error_code ec;
  const fs::file_status entry = fs::symlink_status(local, ec);
  // Only "no such entry" means the platform's name; libstdc++ also counts ENOTDIR as
  // not found, but a folder path naming a file is a broken folder, not a missing link.
  if (!platform::kWindows && ec && ec != std::errc::no_such_file_or_directory) {
    target.via_link = true;
    target.open_path = target.device = local.string();
    target.unreadable = UnreadableEntry(port_number, local, ec);
    return target;
  }
  if (!platform::kWindows && !ec && fs::exists(entry)) {
    target.via_link = true;
    target.open_path = fs::absolute(local, ec).lexically_normal().string();
    target.device = target.open_path;
    if (fs::is_symlink(entry)) {
      fs::path to = fs::read_symlink(local, ec);
      if (!ec) target.device = (to.is_absolute() ? to : local.parent_path() / to).lexically_normal().string();
    }
    // A link that loops, or leads through a folder the user may not search, is there
    // but unreadable; only a target that is simply missing is an unplugged device.
    std::error_code follow;
    target.exists = fs::exists(fs::status(local, follow));
    if (follow && follow != std::errc::no_such_file_or_directory && follow != std::errc::not_a_directory)
      target.unreadable = UnreadableEntry(port_number, target.device, follow);
    return target;
  }
  target.open_path = target.device = PlatformPortName(port_number);
  target.exists = Exists(target.device);
  return target;
}

Failure LinkPort(int port_number, const std::string& device, const std::string& folder) {
  const fs::path local = ComPath(port_number, folder);
  if (device.empty()) return Failure{errc::kBadFileName, "No device chosen for " + ComLinkName(port_number)};
  if (platform::kWindows)
    return Failure{errc::kBadFileName, "Windows opens COM" + std::to_string(port_number) + " itself; no link is made"};
  std::error_code ec;
  const fs::file_status entry = fs::symlink_status(local, ec);
  if (!ec && fs::exists(entry) && !fs::is_symlink(entry))
    return Failure{errc::kPathFileAccess,
                   local.string() + " is not a link; it was left as it is"};
  // A new link beside the old one, renamed over it: the port is never without one.
  // Only a link of ours left there by an interrupted run is cleared first.
  const fs::path fresh = local.parent_path() / ("." + ComLinkName(port_number) + ".scandeck-new");
  if (fs::is_symlink(fs::symlink_status(fresh, ec))) fs::remove(fresh, ec);
  fs::create_symlink(device, fresh, ec);
  if (ec) return FailureFromErrno(ec.value());
  fs::rename(fresh, local, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(fresh, ignored);
    return FailureFromErrno(ec.value());
  }
  return {};
}

}  // namespace scandeck
