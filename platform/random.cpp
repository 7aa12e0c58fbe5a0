#include "platform/random.h"

#include <sys/random.h>

#include <chrono>
#include <cstring>

TRandom::TRandom() {
  static const uint32_t kKey[4] = {0x123, 0x234, 0x345, 0x456};
  SeedByArray(kKey, 4);
}

TRandom::TRandom(uint32_t seed) { Seed(seed); }

TRandom::TRandom(const uint32_t* key, int length) { SeedByArray(key, length); }

void TRandom::Seed(uint32_t seed) {
  mt_[0] = seed;
  for (int i = 1; i < 624; ++i) mt_[i] = 1812433253u * (mt_[i - 1] ^ (mt_[i - 1] >> 30)) + uint32_t(i);
  index_ = 624;
}

void TRandom::SeedByArray(const uint32_t* key, int length) {
  Seed(19650218u);
  if (length <= 0 || !key) return;
  int i = 1, j = 0;
  for (int k = 624 > length ? 624 : length; k; --k) {
    mt_[i] = (mt_[i] ^ ((mt_[i - 1] ^ (mt_[i - 1] >> 30)) * 1664525u)) + key[j] + uint32_t(j);
    ++i; ++j;
    if (i >= 624) { mt_[0] = mt_[623]; i = 1; }
    if (j >= length) j = 0;
  }
  for (int k = 623; k; --k) {
    mt_[i] = (mt_[i] ^ ((mt_[i - 1] ^ (mt_[i - 1] >> 30)) * 1566083941u)) - uint32_t(i);
    ++i;
    if (i >= 624) { mt_[0] = mt_[623]; i = 1; }
  }
  mt_[0] = 0x80000000u;
  index_ = 624;
}

uint32_t TRandom::Next() {
  if (index_ >= 624) {
    for (int k = 0; k < 624; ++k) {
      uint32_t y = (mt_[k] & 0x80000000u) | (mt_[(k + 1) % 624] & 0x7FFFFFFFu);
      mt_[k] = mt_[(k + 397) % 624] ^ (y >> 1) ^ ((y & 1u) ? 0x9908B0DFu : 0u);
    }
    index_ = 0;
  }
  uint32_t y = mt_[index_++];
  y ^= y >> 11;
  y ^= (y << 7) & 0x9D2C5680u;
  y ^= (y << 15) & 0xEFC60000u;
  y ^= y >> 18;
  return y;
}

int TRandom::Range(int low, int high) {
  if (high <= low) return low;
  uint64_t span = uint64_t(int64_t(high) - int64_t(low)) + 1;
  return int(int64_t(low) + int64_t(RandomUnitDouble(*this) * double(span)));
}

double RandomUnitDouble(TRandom& random) {
  uint32_t a = random.Next() >> 5, b = random.Next() >> 6;
  return (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
}

void MakeGuid(uint32_t out[4]) {
  unsigned char bytes[16];
  size_t got = 0;
  while (got < sizeof bytes) {
    ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n <= 0) break;
    got += size_t(n);
  }
  if (got < sizeof bytes) {
    // No kernel entropy: fall back to the clock and a counter, still unique in the process.
    static uint32_t counter = 0;
    TRandom r(uint32_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^ ++counter);
    for (auto& b : bytes) b = static_cast<unsigned char>(r.Next());
  }
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // variant 1
  std::memcpy(out, bytes, sizeof bytes);
}
