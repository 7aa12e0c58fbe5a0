// Preferences files: the enciphered form, the plain-XML form and the chunk
// stream behind the cipher. Whatever is accepted survives a save and reload.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/prefs.h"

namespace {
void CheckRoundTrip(const TPrefsData& data) {
  std::vector<uint8_t> saved = SerializePrefs(data, "fuzzkey");
  TPrefsData back;
  if (!ParsePrefs(saved.data(), saved.size(), "fuzzkey", back)) std::abort();
  if (back.users.size() != data.users.size() || back.global.size() != data.global.size()) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TPrefsData parsed;
  if (ParsePrefsAny(data, size, "fuzzkey", parsed)) CheckRoundTrip(parsed);
  if (ParsePrefsPlain(data, size, parsed)) CheckRoundTrip(parsed);
  return 0;
}
