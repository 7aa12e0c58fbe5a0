#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/task.h"
#include "platform/time.h"

namespace {
// A task that records its runs and does what the test tells it to.
struct ProbeTask : TTask {
  std::vector<int>* log;
  int id;
  std::function<bool()> step;
  bool* deleted;
  ProbeTask(std::vector<int>* l, int i, bool* d = nullptr) : log(l), id(i), deleted(d) {}
  ~ProbeTask() override {
    if (deleted) *deleted = true;
  }
  bool DoTask() override {
    log->push_back(id);
    return step ? step() : true;
  }
};

TEST(TaskList, AStepReturningFalseDeletesTheTask) {
  TTaskList list;
  std::vector<int> log;
  bool deleted = false;
  auto* t = new ProbeTask(&log, 1, &deleted);
  t->step = [] { return false; };
  list.Add(t);
  list.Add(new ProbeTask(&log, 2));
  list.Run(0);
  EXPECT_TRUE(deleted);
  EXPECT_EQ(list.Size(), 1u);
  list.Run(0);
  EXPECT_EQ(log, (std::vector<int>{1, 2, 2}));
}

TEST(TaskList, RemovalDuringAPassIsAppliedAfterItAndSkipsTheRemovedTask) {
  TTaskList list;
  std::vector<int> log;
  bool deleted = false;
  auto* second = new ProbeTask(&log, 2, &deleted);
  auto* first = new ProbeTask(&log, 1);
  first->step = [&] {
    EXPECT_TRUE(list.Remove(second));   // the owner takes it back
    EXPECT_FALSE(list.Contains(second));
    return true;
  };
  list.Add(first);
  list.Add(second);
  list.Run(0);
  EXPECT_EQ(log, (std::vector<int>{1}));
  EXPECT_FALSE(deleted);  // removed, not deleted
  EXPECT_EQ(list.Size(), 1u);
  delete second;
}

TEST(TaskList, TasksAddedOrClearedDuringAPass) {
  TTaskList list;
  std::vector<int> log;
  auto* adder = new ProbeTask(&log, 1);
  adder->step = [&] {
    if (log.size() == 1) list.Add(new ProbeTask(&log, 9));
    return true;
  };
  list.Add(adder);
  list.Run(0);
  EXPECT_EQ(log, (std::vector<int>{1}));  // the new task waits for the next pass
  list.Run(0);
  EXPECT_EQ(log, (std::vector<int>{1, 1, 9}));

  bool deleted = false;
  auto* clearer = new ProbeTask(&log, 5, &deleted);
  clearer->step = [&] {
    list.Clear();
    return true;
  };
  list.Add(clearer);
  list.Run(0);
  EXPECT_TRUE(deleted);
  EXPECT_EQ(list.Size(), 0u);
}

TEST(TaskList, ReadinessIsAskedWithThePass) {
  struct PassTask : TTask {
    int runs = 0;
    bool IsReady(int pass) override { return pass == 1; }
    bool DoTask() override { return ++runs, true; }
  };
  TTaskList list;
  auto* t = new PassTask;
  list.Add(t);
  list.Run(0);
  list.Run(1);
  list.Run(0);
  EXPECT_EQ(t->runs, 1);
}

TEST(Clock, PausedAfterConstructionAndResumeSkipsThePausedSpan) {
  TManualTimeScope time(5000);
  TClock clock;
  EXPECT_TRUE(clock.IsPaused());
  time.Advance(100);
  EXPECT_EQ(clock.GetTime(), 0u);
  clock.Start();
  time.Advance(250);
  EXPECT_EQ(clock.GetTime(), 250u);
  EXPECT_FALSE(clock.Pause());
  EXPECT_TRUE(clock.Pause());  // already paused
  time.Advance(1000);
  EXPECT_EQ(clock.GetTime(), 250u);
  clock.Start();
  time.Advance(50);
  EXPECT_EQ(clock.GetTime(), 300u);
  clock.Reset();
  EXPECT_TRUE(clock.IsPaused());
  EXPECT_EQ(clock.GetTime(), 0u);
  clock.Start();
  time.Advance(7);
  EXPECT_EQ(clock.GetTime(), 7u);
}

struct CountingAnim : TAnimTask {
  std::vector<uint32_t> at;
  int stopAfter = -1;
  bool Step() override {
    at.push_back(GetClock()->GetTime());
    return stopAfter < 0 || int(at.size()) < stopAfter;
  }
};

struct AnimFixture : ::testing::Test {
  TManualTimeScope time{10000};
  TClock clock;
  TTaskList list;
  CountingAnim* task = new CountingAnim;
  void SetUp() override {
    clock.Start();
    task->SetClock(&clock);
    list.Add(task);
  }
  void RunFor(uint32_t ms, uint32_t step) {
    for (uint32_t t = 0; t < ms; t += step) {
      time.Advance(step);
      list.Run(1);
    }
  }
};

TEST_F(AnimFixture, RepeatsEveryPeriodOnItsClock) {
  task->Schedule(100, true, true, false);
  RunFor(350, 10);
  EXPECT_EQ(task->at, (std::vector<uint32_t>{100, 200, 300}));
}

TEST_F(AnimFixture, ScheduleFromNowVersusFromTheDueTime) {
  task->Schedule(100, true, false, false);
  RunFor(130, 10);  // runs at 100, then idles
  ASSERT_EQ(task->at, (std::vector<uint32_t>{100}));
  task->Schedule(100, false, false, false);  // from the previous due time (100): due at 200
  RunFor(80, 10);
  ASSERT_EQ(task->at.size(), 2u);
  EXPECT_EQ(task->at[1], 200u);
  task->Schedule(100, true, false, false);  // from now (210): due at 310
  RunFor(100, 10);
  ASSERT_EQ(task->at.size(), 3u);
  EXPECT_EQ(task->at[2], 310u);
}

TEST_F(AnimFixture, CatchUpRunsMissedStepsButAtMostOneSecond) {
  task->Schedule(100, true, true, true);
  time.Advance(5000);
  list.Run(1);
  // 4000 ms of the backlog are dropped; the last second (10 steps) is caught
  // up together with the step due now.
  EXPECT_EQ(task->at.size(), 11u);
  list.Run(1);
  EXPECT_EQ(task->at.size(), 11u);
  time.Advance(100);
  list.Run(1);
  EXPECT_EQ(task->at.size(), 12u);
}

TEST_F(AnimFixture, WithoutCatchUpMissedStepsAreDropped) {
  task->Schedule(100, true, true, false);
  time.Advance(5000);
  list.Run(1);
  EXPECT_EQ(task->at.size(), 1u);
  time.Advance(99);
  list.Run(1);
  EXPECT_EQ(task->at.size(), 1u);
  time.Advance(1);
  list.Run(1);
  EXPECT_EQ(task->at.size(), 2u);
}

TEST_F(AnimFixture, APausedClockHoldsTheTaskAndSetClockKeepsTheRemainingTime) {
  task->Schedule(100, true, true, false);
  RunFor(60, 10);
  clock.Pause();
  RunFor(500, 10);
  EXPECT_TRUE(task->at.empty());
  TClock other;
  other.Start();
  task->SetClock(&other);  // 40 ms were left
  RunFor(30, 10);
  EXPECT_TRUE(task->at.empty());
  RunFor(10, 10);
  EXPECT_EQ(task->at.size(), 1u);
}

TEST_F(AnimFixture, StopHoldsTheTaskAndAFalseStepEndsIt) {
  task->Schedule(10, true, true, false);
  RunFor(30, 10);
  ASSERT_EQ(task->at.size(), 3u);
  task->Stop();
  RunFor(100, 10);
  EXPECT_EQ(task->at.size(), 3u);
  EXPECT_FALSE(task->IsScheduled());
  task->Schedule(10, true, true, false);
  task->stopAfter = 5;
  RunFor(100, 10);
  EXPECT_EQ(list.Size(), 0u);  // the list deleted it after its fifth step
}
}  // namespace
