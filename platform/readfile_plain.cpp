// Whole-file reading straight from the disk, used until the file layer with
// its virtual folders and pack archives takes over this function.
#include <cstdio>

#include "platform/log.h"
#include "platform/readfile.h"

bool ReadWholeFile(const TString& name, std::vector<uint8_t>& out, size_t maxBytes) {
  out.clear();
  std::string path = name.str();
  if (path.rfind("::", 0) == 0) path = path.substr(2);
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fseek(f, 0, SEEK_END);
  long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  if (size < 0 || static_cast<unsigned long>(size) > maxBytes) {
    TraceOut("ReadWholeFile: %s is too large (%ld bytes)", name.c_str(), size);
    std::fclose(f);
    return false;
  }
  out.resize(static_cast<size_t>(size));
  size_t got = out.empty() ? 0 : std::fread(out.data(), 1, out.size(), f);
  std::fclose(f);
  out.resize(got);
  return true;
}
