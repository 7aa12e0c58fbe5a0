#include "platform/task.h"

#include <algorithm>

#include "platform/time.h"

std::atomic<long> TTask::live_{0};

void TClock::Reset() {
  paused_ = true;
  started_ = false;
  base_ = 0;
  pausedAt_ = 0;
}

void TClock::Start() {
  if (!paused_) return;
  uint32_t now = GetPlatformTime();
  if (!started_) {
    started_ = true;
    base_ = now;
  } else {
    base_ = now - pausedAt_;  // skip the paused span
  }
  paused_ = false;
}

bool TClock::Pause() {
  if (paused_) return true;
  pausedAt_ = GetPlatformTime() - base_;
  paused_ = true;
  return false;
}

uint32_t TClock::GetTime() const {
  if (paused_) return pausedAt_;
  return GetPlatformTime() - base_;
}

TClock* GetDefaultClock() {
  static TClock* clock = [] {
    auto* c = new TClock;
    c->Start();
    return c;
  }();
  return clock;
}

TTaskList::~TTaskList() {
  for (auto& e : entries_) delete e.task;
  for (TTask* t : deleteAfterPass_) delete t;
}

void TTaskList::Add(TTask* task) {
  if (!task || Contains(task)) return;
  entries_.push_back(Entry{task, false});
}

void TTaskList::Run(int pass) {
  ++depth_;
  size_t count = entries_.size();
  for (size_t i = 0; i < count && i < entries_.size(); ++i) {
    Entry& e = entries_[i];
    if (!e.task || e.busy) continue;
    TTask* task = e.task;
    entries_[i].busy = true;
    bool keep = true;
    if (task->IsReady(pass)) keep = task->DoTask();
    // The vector may have grown during the step; index again.
    if (i < entries_.size() && entries_[i].task == task) {
      entries_[i].busy = false;
      if (!keep) {
        entries_[i].task = nullptr;
        deleteAfterPass_.push_back(task);
      }
    } else if (!keep) {
      // Removed by someone else during its own step: the remover owns it now.
    }
  }
  --depth_;
  if (depth_ == 0) Compact();
}

void TTaskList::Compact() {
  if (clearRequested_) {
    clearRequested_ = false;
    for (auto& e : entries_)
      if (e.task) deleteAfterPass_.push_back(e.task);
    entries_.clear();
  }
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [](const Entry& e) { return !e.task; }),
                 entries_.end());
  std::vector<TTask*> doomed;
  doomed.swap(deleteAfterPass_);
  for (TTask* t : doomed) delete t;
}

bool TTaskList::Remove(TTask* task) {
  for (auto& e : entries_) {
    if (e.task == task) {
      if (depth_ > 0) {
        e.task = nullptr;  // compacted after the pass
        e.busy = false;
      } else {
        entries_.erase(entries_.begin() + (&e - entries_.data()));
      }
      return true;
    }
  }
  return false;
}

bool TTaskList::Delete(TTask* task) {
  if (!Remove(task)) return false;
  if (depth_ > 0) deleteAfterPass_.push_back(task);
  else delete task;
  return true;
}

void TTaskList::Clear() {
  if (depth_ > 0) {
    clearRequested_ = true;
    return;
  }
  std::vector<Entry> old;
  old.swap(entries_);
  for (auto& e : old) delete e.task;
}

bool TTaskList::Contains(const TTask* task) const {
  if (!task) return false;
  for (const auto& e : entries_)
    if (e.task == task) return true;
  return false;
}

size_t TTaskList::Size() const {
  size_t n = 0;
  for (const auto& e : entries_)
    if (e.task) ++n;
  return n;
}

void TAnimTask::Schedule(uint32_t delayMs, bool fromNow, bool repeat, bool catchUp) {
  uint32_t now = GetClock()->GetTime();
  uint32_t base = (fromNow || !everScheduled_) ? now : due_;
  due_ = base + delayMs;
  period_ = delayMs;
  repeat_ = repeat;
  catchUp_ = catchUp;
  scheduled_ = true;
  everScheduled_ = true;
}

void TAnimTask::SetClock(TClock* clock) {
  uint32_t oldNow = GetClock()->GetTime();
  int32_t remaining = static_cast<int32_t>(due_ - oldNow);
  clock_ = clock;
  due_ = GetClock()->GetTime() + static_cast<uint32_t>(remaining);
}

bool TAnimTask::IsReady(int pass) {
  if (!scheduled_) return false;
  TClock* clock = GetClock();
  if (clock->IsPaused() && repeat_ && period_ == 0) return false;
  return TimeReached(clock->GetTime(), due_);
}

bool TAnimTask::DoTask() {
  TClock* clock = GetClock();
  uint32_t now = clock->GetTime();
  if (!repeat_) {
    scheduled_ = false;
    return Step();
  }
  if (period_ == 0) {  // every pass
    due_ = now;
    return Step();
  }
  if (catchUp_) {
    if (static_cast<int32_t>(now - due_) > static_cast<int32_t>(kMaxCatchUpMs)) due_ = now - kMaxCatchUpMs;
    while (scheduled_ && TimeReached(now, due_)) {
      due_ += period_;
      if (!Step()) return false;
    }
    return true;
  }
  due_ += period_;
  if (TimeReached(now, due_)) due_ = now + period_;  // fell behind: drop the missed steps
  return Step();
}
