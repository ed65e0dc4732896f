// What a rig-control client sends, in pieces of any size: every line gets a whole
// answer, no line is kept past its bound, and the buffer never grows without one.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "integrations/core/rig_protocol.h"

using namespace scandeck;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // The first byte sets the size of the pieces the bytes arrive in.
  const std::size_t piece = 1 + data[0] % 64;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  RigState state;
  state.frequency_hz = 154430000;
  RigLineBuffer lines;
  std::size_t taken = 0;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    if (!lines.append(bytes.substr(at, piece))) return 0;  // the client is dropped
    while (auto line = lines.nextLine()) {
      FUZZ_CHECK(line->size() <= kRigMaxLine);
      taken += line->size() + 1;
      const RigReply reply = RigAnswer(*line, state);
      FUZZ_CHECK(reply.text.empty() || reply.text.back() == '\n');
      FUZZ_CHECK(reply.text.size() < 4096);
      if (reply.close) return 0;
    }
  }
  FUZZ_CHECK(taken <= bytes.size());
  return 0;
}
