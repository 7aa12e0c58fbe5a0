// Ogg data sources through the file layer: whatever the bytes, opening either
// fails with a log line or gives a source whose reads stay within what they
// were asked for; a looping spooler over it always returns.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "audio/datasource.h"
#include "audio/soundstream.h"
#include "platform/file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool registered = (RegisterOggDataSourceBuilder(), true);
  (void)registered;
  RegisterMemoryFile("fuzz.ogg", std::vector<uint8_t>(data, data + size));
  std::vector<uint8_t> buffer(65536);
  for (bool stream : {true, false}) {
    boost::shared_ptr<TSoundDataSource> source = CreateSoundDataSource("fuzz.ogg", stream);
    if (!source) continue;
    uint64_t total = 0;
    for (int i = 0; i < 64 && total < source->GetSize(); ++i) {
      uint32_t got = source->Read(buffer.data(), static_cast<uint32_t>(total), 65536);
      if (got > 65536) std::abort();
      if (got == 0) break;
      total += got;
    }
    // Random access back to the start, and a partial frame.
    if (source->Read(buffer.data(), 0, 4096) > 4096) std::abort();
    if (source->Read(buffer.data(), 3, 5) > 5) std::abort();
    uint32_t written = 0;
    TStreamSpooler spooler(source);
    spooler.Fill(buffer.data(), 65536, &written, true);
    if (written > 65536) std::abort();
  }
  UnregisterMemoryFile("fuzz.ogg");
  return 0;
}
