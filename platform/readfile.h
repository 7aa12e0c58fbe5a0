// Whole-file reading and the packed-XML ("ZXML") format.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/string.h"

// Largest file ReadWholeFile takes by default, and the largest size a packed
// XML file may claim when inflated.
constexpr size_t kMaxWholeFile = 256u << 20;
constexpr size_t kMaxZxmlSize = 64u << 20;

// Reads a whole file, named by its virtual name, through the file layer.
// False when it is missing, unreadable or larger than `maxBytes` (the latter logged).
bool ReadWholeFile(const TString& name, std::vector<uint8_t>& out, size_t maxBytes = kMaxWholeFile);

// "ZXML", the inflated size (u32 little-endian), then a zlib stream.
bool IsZxml(const uint8_t* data, size_t size);
// Inflates a packed file. Refuses (false, with a reason) a size above the cap,
// a stream that is damaged, or one whose inflated length differs from the header.
bool InflateZxml(const uint8_t* data, size_t size, std::vector<uint8_t>& out, TString* error = nullptr,
                 size_t cap = kMaxZxmlSize);
// Packs bytes in the same format (used by the tools and the tests).
std::vector<uint8_t> DeflateZxml(const uint8_t* data, size_t size);
