// Tasks and clocks: units of per-frame work, the lists that run them, and the
// pausable millisecond clocks that schedule them.
//
// All of it runs on the main thread. Times are unsigned 32-bit milliseconds
// compared with wrap-around arithmetic.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// Pausable millisecond clock on platform time; paused after construction.
class TClock {
public:
  TClock() = default;
  // Time 0, paused; the next Start counts from 0 again.
  void Reset();
  // Runs the clock. The first start sets time 0; a resume skips the paused span.
  void Start();
  // Stops the clock; true when it was already paused.
  bool Pause();
  bool IsPaused() const { return paused_; }
  uint32_t GetTime() const;

private:
  bool paused_ = true;
  bool started_ = false;
  uint32_t base_ = 0;       // platform time at clock time 0
  uint32_t pausedAt_ = 0;   // clock time while paused
};

// A process-wide clock that starts running on first use; tasks without a clock of their own use it.
TClock* GetDefaultClock();

class TTask {
public:
  TTask() { ++live_; }
  TTask(const TTask&) { ++live_; }
  TTask& operator=(const TTask&) = default;
  virtual ~TTask() { --live_; }
  // Tasks alive in the process, in any list or none (a long session's leak check).
  static long LiveCount() { return live_.load(); }
  // Asked before each step with the pass number (0 idle pass, 1 drawn frame).
  virtual bool IsReady(int pass) { return true; }
  // One step; false makes the list remove and delete the task.
  virtual bool DoTask() = 0;

private:
  static std::atomic<long> live_;
};

// An owning list of tasks.
class TTaskList {
public:
  TTaskList() = default;
  ~TTaskList();
  TTaskList(const TTaskList&) = delete;
  TTaskList& operator=(const TTaskList&) = delete;

  // Appends; the list owns the task. A task added during a pass first runs in the next one.
  void Add(TTask* task);
  // Calls each task's IsReady(pass) and then its DoTask; a task whose DoTask
  // returns false is unlinked and deleted. Removals requested during the pass
  // are applied after it (a removed task does not run again in the pass).
  void Run(int pass);
  // Unlinks the task without deleting it; true when it was in the list.
  bool Remove(TTask* task);
  // Unlinks and deletes the task.
  bool Delete(TTask* task);
  // Deletes every task (after the pass when called during one).
  void Clear();
  bool Contains(const TTask* task) const;
  size_t Size() const;
  bool IsRunning() const { return depth_ > 0; }

private:
  void Compact();
  struct Entry {
    TTask* task;
    bool busy;
  };
  std::vector<Entry> entries_;
  std::vector<TTask*> deleteAfterPass_;
  int depth_ = 0;
  bool clearRequested_ = false;
};

// A task that runs its Step at scheduled times of a TClock.
//
// Schedule(delay, fromNow, repeat, catchUp): the first run is due `delay` ms
// after now (fromNow, or the first schedule) or after the previous due time,
// then every `delay` ms while `repeat` is set. A repeating task with delay 0
// runs on every pass. When a repeating task falls behind, catch-up runs the
// missed steps in one go, but never more than one second's worth; without
// catch-up the missed steps are dropped and the next one is due a period
// from now. A clock that is paused holds its tasks.
class TAnimTask : public TTask {
public:
  TAnimTask() = default;
  void Schedule(uint32_t delayMs, bool fromNow, bool repeat, bool catchUp);
  // Not due any more (until scheduled again).
  void Stop() { scheduled_ = false; }
  // Switches clocks keeping the remaining time; null means the default clock.
  void SetClock(TClock* clock);
  TClock* GetClock() const { return clock_ ? clock_ : GetDefaultClock(); }
  bool IsScheduled() const { return scheduled_; }
  uint32_t GetDueTime() const { return due_; }
  uint32_t GetPeriod() const { return period_; }

  bool IsReady(int pass) override;
  bool DoTask() override;

  static constexpr uint32_t kMaxCatchUpMs = 1000;

protected:
  // The scheduled work; false ends (and deletes) the task.
  virtual bool Step() = 0;

private:
  TClock* clock_ = nullptr;
  uint32_t due_ = 0;
  uint32_t period_ = 0;
  bool scheduled_ = false;
  bool everScheduled_ = false;
  bool repeat_ = false;
  bool catchUp_ = false;
};

// True when `a` is at or after `b` in wrap-around millisecond time.
inline bool TimeReached(uint32_t now, uint32_t due) { return static_cast<int32_t>(now - due) >= 0; }
