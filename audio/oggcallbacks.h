// The decoder's input callbacks: over a file of the file layer (streaming) or
// over the whole compressed file held in memory (preload). Each close callback
// frees its input.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct TOggMemoryInput {
  std::vector<uint8_t> data;
  size_t position = 0;
};

// Copies size x count bytes (cut at the end) and returns the bytes copied.
size_t OggMemoryRead(void* destination, size_t size, size_t count, void* input);
// Origins 0 start, 1 current, 2 end; others -1. The position is clamped to the data.
int OggMemorySeek(void* input, int64_t offset, int origin);
int OggMemoryClose(void* input);
long OggMemoryTell(void* input);

// Over a TFile: whole elements only (the file steps back over a partial one);
// C origins 0/1/2 go to the file layer's begin/current/end; a failed seek gives -1.
size_t OggFileRead(void* destination, size_t size, size_t count, void* file);
int OggFileSeek(void* file, int64_t offset, int origin);
int OggFileClose(void* file);
long OggFileTell(void* file);
