// Platform time: one monotonic millisecond clock for the whole process.
//
// Every clock, task and timer of the framework reads GetPlatformTime(). Tests
// (and the headless host) switch it to manual mode and advance it by hand, so
// nothing in a unit test ever has to sleep. Safe to call from any thread.
#pragma once
#include <cstdint>

// Milliseconds since the clock's origin (process start, or the manual value).
uint32_t GetPlatformTime();

// Blocks the calling thread for `ms` milliseconds. In manual mode it advances
// the manual clock by `ms` instead and returns at once.
void PlatformSleep(uint32_t ms);

// Manual mode: the clock stands still at `start` until advanced.
void SetManualTime(bool manual, uint32_t start = 0);
bool IsManualTime();
void AdvanceManualTime(uint32_t ms);

// RAII helper for tests: manual time for the lifetime of the object.
class TManualTimeScope {
public:
  explicit TManualTimeScope(uint32_t start = 1000) { SetManualTime(true, start); }
  ~TManualTimeScope() { SetManualTime(false); }
  void Advance(uint32_t ms) { AdvanceManualTime(ms); }
  TManualTimeScope(const TManualTimeScope&) = delete;
  TManualTimeScope& operator=(const TManualTimeScope&) = delete;
};
