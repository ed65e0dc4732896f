// scandeck-fuzz-seeds FOLDER: writes the fuzz targets' seed corpus into
// FOLDER/<target>/: the simulated scanner's traffic (clean, noisy, at the wrong
// speed, answering both directory reads) and valid and damaged record and
// settings files written by the program's own writers. Each seed is kept small.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "app/core/config.h"
#include "audio/core/recording_settings.h"
#include "remote/core/remote_settings.h"
#include "common/core/text.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "link/core/poll_cycle.h"
#include "sim/core/demo_plan.h"
#include "sim/core/sim_fixture.h"

using namespace scandeck;
namespace fs = std::filesystem;
using std::chrono::milliseconds;

namespace {

fs::path g_root;

void Seed(const std::string& target, const std::string& name, const std::string& bytes) {
  fs::create_directories(g_root / target);
  std::ofstream(g_root / target / name, std::ios::binary | std::ios::trunc) << bytes;
}

// What the scanner sends back to `commands`, written one tick apart, plus `settle` of listening.
std::string Traffic(sim::SimulatorOptions options, const std::vector<std::string>& commands,
                    const std::string& port_settings = "9600,n,8,1", milliseconds settle = milliseconds{1500}) {
  sim::SimRig rig(std::move(options));
  if (!rig.open(port_settings)) return {};
  std::string received;
  for (const auto& command : commands) {
    rig.link.SendCommand(command);
    rig.advance(milliseconds{20});
    received += rig.port.readAll();
  }
  rig.run(settle, milliseconds{50}, [&] { received += rig.port.readAll(); });
  return received.substr(0, 3000);
}

std::vector<std::string> Polls(int ticks) {
  std::vector<std::string> out;
  for (int i = 0; i < ticks; ++i)
    for (auto command : kPollCommands) out.emplace_back(command);
  return out;
}

std::string FreqFile(int banks) {
  const auto path = fs::temp_directory_path() / "scandeck-seed-bank.dat";
  fs::remove(path);
  auto dir = std::make_unique<FreqDirectory>();
  RecordFile file;
  LoadFreqDirectory(path.string(), file, *dir, '.');
  for (const auto& demo : sim::kDemoChannels) {
    if (demo.channel > banks * kChannelsPerBank) continue;
    FreqChannel& c = (*dir)[demo.channel];
    c.frequency = FormatFrequencyMhz(static_cast<double>(demo.units) * 0.0001, '.');
    c.type = demo.type;
    c.name = demo.name;
    c.delay = Marker(demo.delay);
  }
  for (int b = 1; b <= banks; ++b) WriteBank(file, *dir, b);
  file.Close();
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  fs::remove(path);
  return bytes;
}

std::string IdRecords(int records = 10) {
  std::string bytes;
  for (int p = 1; p <= records; ++p) {
    IdEntry e{std::to_string((p - 1) / 10 % 10 + 1) + "-" + std::to_string((p - 1) % 10 + 1),
              std::to_string(400 + p % 600) + "-0" + std::to_string(p % 10), "EMS", "Group " + std::to_string(p),
              p % 2 ? "=" : " ", p % 7 == 3 ? "=" : ""};
    bytes += EncodeIdRecord(e);
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: scandeck-fuzz-seeds FOLDER\n";
    return 2;
  }
  g_root = argv[1];

  // The poll against a busy band, over a clean and a noisy line and at the wrong speed.
  sim::SimulatorOptions busy;
  busy.seed = 7;
  busy.activity_per_minute = 600;
  const std::string plan = std::string("\x10\x03\x3f\x00\x01\x20\x07\x2a", 8);
  Seed("receive", "poll-busy", plan + Traffic(busy, Polls(30)));
  sim::SimulatorOptions noisy = busy;
  noisy.faults.noise_rate = 0.2;
  noisy.faults.line_feed_rate = 0.2;
  Seed("receive", "poll-noisy", plan + Traffic(noisy, Polls(30)));
  // A scanner at another speed: every character garbled, no carriage return survives.
  std::string garbled = Traffic(busy, Polls(20));
  for (char& c : garbled) c = static_cast<char>(static_cast<unsigned char>(c) * 2 + 1 == '\r' ? 0x80 : c * 2 + 1);
  Seed("receive", "wrong-speed", std::string(8, '\x3f') + garbled);
  Seed("receive", "panel-queries",
       plan + Traffic(sim::QuietOptions(3), {"SB", "IS", "LT", "PR", "DS", "AT", "LL", "LU", "MU", "TB", "IC", "KEY13",
                                            "MD", "WI", "DL", "LO"}));
  // Past the receive buffer's bound: a flood without carriage returns, then a reply.
  Seed("receive", "flood-past-the-bound", plan + std::string(70000, 'Z') + "MD17\rW10200155325\r");
  Seed("receive", "trunk", "\x05\x05\x05\x05\x05\x05\x05\x05" +
                               std::string("MD03\rTBD MetroNet  \rID S 500-03\rIC C1 500-03\rID E 500-03\r+\r-\r"));

  // bank.dat: valid, truncated inside a record, damaged fields, foreign bytes.
  const std::string bank = FreqFile(1);
  Seed("bank_file", "valid-bank1", std::string(1, '\0') + bank);
  Seed("bank_file", "truncated", std::string(1, '\x01') + bank.substr(0, 68 * 3 + 17));
  std::string damaged = bank.substr(0, 68 * 4);
  damaged.replace(3, 8, "-1234567");
  damaged.replace(68 + 3, 8, "99999999");
  damaged.replace(2 * 68 + 11, 3, std::string(3, '\0'));
  damaged.replace(2 * 68 + 14, 5, std::string("AB\0\0C", 5));
  damaged.replace(3 * 68 + 3, 8, "12.5e+03");
  Seed("bank_file", "damaged", std::string(1, '\x00') + damaged);
  Seed("bank_file", "valid-every-bank", std::string(1, '\x09') + FreqFile(10));
  Seed("bank_file", "foreign", std::string(1, '\x09') + "PK\x03\x04 not a bank file at all \xff\xfe\r\n");

  // idbank.dat: one valid ID bank, never-written NULs, a short tail.
  const std::string ids = IdRecords();
  Seed("idbank_file", "valid-idbank", std::string(1, '\x00') + ids);
  Seed("idbank_file", "valid-every-record", std::string(1, '\x63') + IdRecords(1000));
  Seed("idbank_file", "nuls-and-tail", std::string(1, '\x21') + std::string(65 * 2, '\0') + ids.substr(0, 100));

  // scandeck.ini: as written, truncated, edited by hand.
  ScanDeckConfig config;
  config.UserName = "Ann";
  config.CommPort = "1";
  config.CommSettings = "9600,n,8,1";
  config.LogFileNameVal = "AUTOMATIC";
  config.LogFlagsVal = {1, 0, 1, 1, 0, 0, 0, 0, 0};
  config.WindowWidth = 9600;
  config.WindowHeight = 4365.5f;
  const std::string ini = ConfigText(config);
  Seed("config", "written", ini);
  Seed("config", "truncated", ini.substr(0, ini.size() / 2 + 7));
  Seed("config", "exponent-sizes", "[WindowWidth]=100000\r\n[WindowHeight]=0.0001\r\n");
  Seed("config", "hand-edited",
       "[UserName]=  Bob  \n[comm port]= 3x\r\n[comm speed]=19200,e,7,2\r\n[Log What]=1a0\r\n"
       "[WindowWidth]=1.5e3\r\n[WindowHeight]=-20\r\n[username]=x\r\n[comm port]=99999999999\r\n");

  // recording.ini: as written, with every value changed, and damaged by hand.
  RecordingSettings recording;
  recording.record = true;
  recording.input = "USB Audio Device Analog Mono";
  recording.what = RecordWhat::Marked;
  recording.format = RecordFormat::Wav;
  recording.folder = "/srv/scanner calls";
  Seed("settings", "recording-written", RecordingText(recording));
  Seed("settings", "recording-damaged",
       "record=2\r\nwhat=Marked\r\nformat=flac\r\npreroll_ms=99999\nhang_ms=-5\nmin_ms=\n"
       "max_minutes=0x10\nquota_mb=1e9\nkeep_days=30 \nmin_free_mb=500\rfolder==\n");

  // The remote page: remote.ini as written and damaged, key names, headers and a form.
  RemoteSettings remote;
  remote.enabled = true;
  remote.address = "0.0.0.0";
  remote.passwordHash = "$argon2id$v=19$m=65536,t=3,p=1$c2FsdHNhbHRzYWx0$aGFzaGhhc2hoYXNoaGFzaA";
  Seed("remote", "ini-written", RemoteText(remote));
  Seed("remote", "ini-damaged", "web=1\r\nweb_address=::ffff:10.0.0.1\nweb_port=08245\nweb_control=\nweb_address=1.2.3.4.5\n");
  Seed("remote", "key", "BANK10");
  Seed("remote", "host-origin", "http://[::1]:8245[::1]:8245");
  Seed("remote", "form", "a=1&password=p%41ss+word%zz&scandeck_session=1; scandeck_session=x");

  // The two directory reads, answered by the scanner.
  std::vector<std::string> pm = {"QUF"};
  for (int n = 31; n <= 60; ++n) pm.push_back("PM0" + std::to_string(n));
  pm.push_back("QUN");
  const std::string read_plan = std::string("\x3f\x3f\x10\x3f\x05\x3f\x3f\x3f", 8);
  Seed("freq_read", "bank2", std::string(1, '\x01') + read_plan + Traffic(sim::QuietOptions(2), pm));
  Seed("freq_read", "bank2-closed", std::string(1, '\x01') + "\x3f\x3f\x3f\xbf\x3f\x3f\x3f\x3f" +
                                        Traffic(sim::QuietOptions(2), pm).substr(0, 400));
  std::vector<std::string> ic = {"QUF", "IDF", "TB"};
  for (char d = '0'; d <= '9'; ++d) ic.push_back(std::string("IC A") + d);
  for (const char* c : {"KEY00", "QUN", "IDN"}) ic.emplace_back(c);
  const char id_banks = static_cast<char>(sim::kDemoTrunkBank - 1);
  Seed("id_read", "idbank1", std::string(1, id_banks) + read_plan + Traffic(sim::QuietOptions(4), ic));
  Seed("id_read", "foreign-bank", std::string(1, '\x02') + read_plan + "TBK nowhere\rIC A1 123-45\rIC Z9 1\rIC A\r");

  // Downloaded lists as they come: frequencies in Hz, a receiver's bookmarks after
  // their tag table, commas out of place, UTF-16, CHIRP rows named only by a comment.
  Seed("import", "channels-hz.csv", "TG Number,Frequency,Tone,Alpha Tag,Description,Tag,Category\n"
                                    "1,154430000,0,FD Disp,Fire Dispatch,Fire Dispatch,County\n2,460025000,0,PD,Police,Law Dispatch,City\n");
  Seed("import", "bookmarks.csv", "# Tag name ; color\nFire ; #ff0000\n\n# Frequency ; Name ; Modulation ; Bandwidth; Tags\n"
                                  "# Dispatch\n   154430000; Fire Dispatch, main ; Narrow FM ; 10000; Fire\n");
  Seed("import", "headerless-hz.csv", "154430000,Fire,FM,12500,Fire\n460025000,Police,FM,12500,Law\n");
  Seed("import", "unquoted-commas.csv", "DEC,HEX,Mode,Alpha Tag,Description,Tag,Category\n"
                                        "1033,409,D,LAW MA 01,Law, Mutual Aid, East,Law Tac,State\n04-040,,D,PD,Announce,Law Tac,,,\n");
  Seed("import", "shifted-names.csv", "Frequency,Description,Alpha Tag\n154.43,a,b,FD1\n460.025,c,PD\n");
  Seed("import", "utf16.csv", std::string("\xFF\xFE" "D\0E\0C\0,\0N\0\n\0", 14));
  Seed("import", "chirp-comments.csv", "Location,Name,Frequency,Comment\n1,,154.430000,Fire main\n2,PD,460025000,\n");
  Seed("import", "afs-edges.csv", "DEC,AFS,Name\n2047,15-157,Top\n72,04-048,Subfleet 8\n1,00-001,One\n");
  return 0;
}
