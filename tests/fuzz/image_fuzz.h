// Shared body of the image-reader fuzz targets: the bytes become a memory
// file of the file layer and go through the reader by that name.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/file.h"
#include "platform/log.h"

template <class Reader>
int FuzzImageFile(const char* name, const uint8_t* data, size_t size, Reader read) {
  static bool quiet = [] {
    SetLogEcho(false);
    return true;
  }();
  (void)quiet;
  RegisterMemoryFile(name, std::vector<uint8_t>(data, data + size));
  read(name);
  UnregisterMemoryFile(name);
  return 0;
}
