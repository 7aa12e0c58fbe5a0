// Whole-file reading over the file layer.
#include "platform/file.h"
#include "platform/log.h"
#include "platform/readfile.h"

bool ReadWholeFile(const TString& name, std::vector<uint8_t>& out, size_t maxBytes) {
  out.clear();
  TFile file;
  if (!file.Open(name, "rb")) return false;
  int64_t size = file.GetSize();
  if (size < 0 || uint64_t(size) > maxBytes) {
    TraceOut("ReadWholeFile: %s is too large (%lld bytes)", name.c_str(), static_cast<long long>(size));
    return false;
  }
  out.resize(size_t(size));
  out.resize(file.Read(out.data(), out.size()));
  return true;
}
