// scandeck-demo-seed FOLDER: writes bank.dat and idbank.dat for the demo scanner into
// FOLDER, each only when it is missing, so the demo shows names. The files are written
// by the program's own bank writers, as a save in the directory windows would.
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <system_error>

#include "common/core/text.h"
#include "directory/core/freq_directory.h"
#include "directory/core/id_directory.h"
#include "sim/core/demo_plan.h"

namespace {

using namespace scandeck;
namespace fs = std::filesystem;

// The scanner shows byte 0xFE in an ID as "þ"; the directory stores it as "=".
std::string DirectoryId(std::string_view reported) {
  std::string id(reported);
  for (char& c : id)
    if (static_cast<unsigned char>(c) == 0xFE) c = '=';
  return id;
}

Failure SeedChannels(const std::string& path) {
  auto channels = std::make_unique<FreqDirectory>();
  RecordFile file;
  if (Failure f = LoadFreqDirectory(path, file, *channels, '.')) return f;
  std::set<int> banks;
  for (const auto& demo : sim::kDemoChannels) {
    FreqChannel& channel = (*channels)[demo.channel];
    channel.channel = demo.channel;
    channel.frequency = FormatFrequencyMhz(static_cast<double>(demo.units) * 0.0001, '.');
    channel.type = demo.type;
    channel.name = demo.name;
    channel.delay = Marker(demo.delay);
    channel.lockout = Marker(demo.lockout);
    channel.mode = "Normal";
    banks.insert((demo.channel - 1) / kChannelsPerBank + 1);
  }
  for (int bank : banks)
    if (Failure f = WriteBank(file, *channels, bank)) return f;
  return {};
}

Failure SeedTalkgroups(const std::string& path) {
  auto ids = std::make_unique<IdDirectory>();
  RecordFile file;
  if (Failure f = LoadIdDirectory(path, file, *ids)) return f;
  std::set<int> id_banks;
  for (const auto& demo : sim::kDemoTalkgroups) {
    IdEntry& entry = *ids->find(sim::kDemoTrunkBank, IdEntryIndex(demo.id_bank, demo.position));
    std::string channel = std::to_string(demo.id_bank);
    channel.append("-").append(std::to_string(demo.position));
    entry = {channel, DirectoryId(demo.id), std::string(demo.type), std::string(demo.name), "", ""};
    id_banks.insert(demo.id_bank);
  }
  for (int id_bank : id_banks)
    if (Failure f = WriteIdBank(file, *ids, sim::kDemoTrunkBank, id_bank)) return f;
  return {};
}

// Returns false on a failure, after saying so.
bool SeedIfMissing(const fs::path& path, Failure (*seed)(const std::string&)) {
  std::error_code error;
  if (fs::symlink_status(path, error).type() != fs::file_type::not_found) {
    std::cout << path.string() << ": kept as it is\n";
    return true;
  }
  if (const Failure f = seed(path.string())) {
    std::cerr << path.string() << ": error " << f.code << " " << f.description << "\n";
    return false;
  }
  std::cout << path.string() << ": written\n";
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: scandeck-demo-seed FOLDER\n";
    return 2;
  }
  const fs::path folder = argv[1];
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) {
    std::cerr << folder.string() << ": " << error.message() << "\n";
    return 1;
  }
  const bool channels = SeedIfMissing(folder / kFreqFileName, SeedChannels);
  const bool talkgroups = SeedIfMissing(folder / kIdFileName, SeedTalkgroups);
  return channels && talkgroups ? 0 : 1;
}
