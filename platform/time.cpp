#include "platform/time.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {
using SteadyClock = std::chrono::steady_clock;
const SteadyClock::time_point gOrigin = SteadyClock::now();
std::atomic<bool> gManual{false};
std::atomic<uint32_t> gManualNow{0};
}  // namespace

uint32_t GetPlatformTime() {
  if (gManual.load(std::memory_order_acquire)) return gManualNow.load(std::memory_order_acquire);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - gOrigin).count();
  return static_cast<uint32_t>(ms);
}

void PlatformSleep(uint32_t ms) {
  if (gManual.load(std::memory_order_acquire)) {
    gManualNow.fetch_add(ms, std::memory_order_acq_rel);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SetManualTime(bool manual, uint32_t start) {
  gManualNow.store(start, std::memory_order_release);
  gManual.store(manual, std::memory_order_release);
}

bool IsManualTime() { return gManual.load(std::memory_order_acquire); }

void AdvanceManualTime(uint32_t ms) { gManualNow.fetch_add(ms, std::memory_order_acq_rel); }
