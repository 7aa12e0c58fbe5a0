// Reads a PNG file back into ARGB pixels (alpha forced to 0xFF) for the shell tests.
#pragma once
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

inline bool ReadPng(const std::string& path, std::vector<uint32_t>* pixels, int* w, int* h) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_BGRA;
  pixels->resize(PNG_IMAGE_SIZE(image) / 4);
  if (!png_image_finish_read(&image, nullptr, pixels->data(), 0, nullptr)) return false;
  *w = static_cast<int>(image.width);
  *h = static_cast<int>(image.height);
  return true;
}
