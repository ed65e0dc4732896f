#pragma once
// Which device serial port number n opens, and the comN links in the working
// folder that point a port at a device of the user's choice.
#include <string>

#include "common/core/failure.h"

namespace scandeck {

// "com3" for port 3: the name looked for in the working folder.
std::string ComLinkName(int port_number);
// The system's own name for port n: "COMn" on Windows, "/dev/ttyS(n-1)" elsewhere.
std::string PlatformPortName(int port_number);

struct PortTarget {
  std::string open_path;  // what the serial port is asked to open
  std::string device;     // what that reaches: a comN link's target, else open_path
  bool via_link = false;  // a comN entry in the folder decides
  bool exists = false;    // the device is there now
  // Set when the folder's comN entry cannot be examined (an unreadable folder, say):
  // then the port opens nothing, since guessing could reach another device.
  Failure unreadable;
};

// Port n opens folder/comN whenever that entry is there, even as a link to an
// unplugged adapter: opening it then fails, rather than quietly reaching another
// port. Without it, the platform's name; when whether it is there cannot be told,
// `unreadable` says why and open_path is the entry, which is not to be opened. On Windows "comN" names the serial port
// itself in every folder, so there the platform's name is always used.
PortTarget TargetOfPort(int port_number, const std::string& folder);

// Points folder/comN at `device`: creates the link, or replaces a link already
// there in one step. Anything else named comN (a regular file, a folder) is the
// user's and is never replaced. Refused on Windows (see TargetOfPort).
Failure LinkPort(int port_number, const std::string& device, const std::string& folder);

}  // namespace scandeck
