#pragma once
// What the demo scanner holds, shared by the simulator (its memories) and the demo
// seeding (the names in bank.dat and idbank.dat), so the demo shows names.
#include <array>
#include <string_view>

namespace scandeck::sim {

struct DemoChannel {
  int channel;             // 1..300
  long units;              // frequency in units of 100 Hz
  std::string_view type;   // type code, may be empty
  std::string_view name;   // may be empty: the display then shows the frequency
  bool delay;
  bool lockout;
};

inline constexpr std::array<DemoChannel, 22> kDemoChannels = {{
    {1, 1553250, "POL", "County Sheriff Dispatch", true, false},
    {2, 1544300, "FDP", "Fire Dispatch", true, false},
    {3, 1551600, "AMB", "EMS Tac 1", false, false},
    {4, 1545500, "POL", "Highway Patrol", true, false},
    {5, 1215000, "AIR", "Air Emergency", false, false},
    {6, 1183000, "AIR", "Approach Control", false, false},
    {7, 1568000, "MRN", "Marine Ch 16", false, false},
    {8, 4600250, "POL", "City Police Ops", true, false},
    {9, 4532500, "MUN", "Public Works", false, false},
    {10, 1625500, "EMG", "NOAA Weather", false, false},
    {11, 1545500, "POL", "Highway Patrol (dup)", false, false},
    {12, 4621250, "", "", false, false},
    {13, 1510250, "UTY", "Power Company", false, true},
    {31, 1543700, "FDP", "Fire Ground", false, false},
    {32, 1549550, "COM", "Taxi Dispatch", false, false},
    {33, 1610550, "RWY", "Railroad Road", false, false},
    {34, 4643250, "SEC", "Mall Security", false, false},
    {35, 1542800, "FDP", "Mutual Aid", true, false},
    {61, 1560500, "GOV", "County Roads", false, false},
    {62, 1594900, "CTG", "Coast Guard", false, false},
    {63, 4625625, "PTP", "FRS Ch 1", false, false},
    {64, 1635000, "MSC", "", false, false},
}};

// Bank 4 of the scanner holds a trunked system.
inline constexpr int kDemoTrunkBank = 4;
inline constexpr std::string_view kDemoSystemText = "METRO 800 ";  // ten characters

struct DemoTalkgroup {
  int id_bank;            // 1..10 ("A".."J")
  int position;           // 1..10
  std::string_view id;    // six characters as the scanner reports it; "\xFE" shows as "=" in the directory
  std::string_view type;
  std::string_view name;
};

inline constexpr std::array<DemoTalkgroup, 14> kDemoTalkgroups = {{
    {1, 1, "04-023", "FDP", "Fire Dispatch"},
    {1, 2, "04-025", "FDP", "Fire Tac 2"},
    {1, 3, "405-12", "POL", "Police Dispatch"},
    {1, 4, "405-14", "POL", "Police Car-to-Car"},
    {1, 5, "06-101", "AMB", "EMS Dispatch"},
    {1, 6, "07-200", "MUN", "Streets Dept"},
    {1, 7, "\xFE" "1-234", "SEC", "Transit Police"},
    {2, 1, "410-02", "GOV", "City Hall"},
    {2, 2, "410-04", "UTY", "Water Dept"},
    {2, 3, "12-047", "", ""},
    {2, 10, "12-050", "COM", "School Buses"},
    {3, 1, "500-01", "EMG", "Emergency Mgmt"},
    {3, 2, "500-03", "MED", "Hospital Net"},
    {3, 5, "\xFE" "2-009", "TRK", "Interop Patch"},
}};

}  // namespace scandeck::sim
