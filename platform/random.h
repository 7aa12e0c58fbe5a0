// Random numbers: the Mersenne Twister TRandom (reproducible by default) and
// fresh GUIDs.
#pragma once
#include <cstdint>

class TRandom {
public:
  // Seeds with the fixed key {0x123, 0x234, 0x345, 0x456}: every new
  // generator yields the same sequence.
  TRandom();
  explicit TRandom(uint32_t seed);
  TRandom(const uint32_t* key, int length);

  void Seed(uint32_t seed);
  void SeedByArray(const uint32_t* key, int length);
  uint32_t Next();                       // 32 random bits
  int Range(int low, int high);          // uniform in [low, high], inclusive

private:
  uint32_t mt_[624];
  int index_ = 625;
};

// A double in [0, 1) with 53 random bits, built from two outputs.
double RandomUnitDouble(TRandom& random);

// Fills four 32-bit words from a new random (version 4) GUID.
void MakeGuid(uint32_t out[4]);
