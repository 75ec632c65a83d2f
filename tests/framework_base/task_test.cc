// Message loops, task runners and runnable helpers.

#include <atomic>
#include <chrono>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include <poll.h>

#include "base/message_loop.h"
#include "gtest/gtest.h"
#include "include/cef_runnable.h"
#include "include/cef_task.h"

namespace {

using cef_base::MessageLoop;

// Appends its label to a shared log when run; counts its own destruction.
class LogTask : public CefTask {
 public:
  LogTask(std::vector<std::string>* log,
          std::string label,
          std::atomic<int>* destroyed = nullptr)
      : log_(log), label_(std::move(label)), destroyed_(destroyed) {}
  ~LogTask() override {
    if (destroyed_)
      ++*destroyed_;
  }
  void Execute() override { log_->push_back(label_); }

 private:
  std::vector<std::string>* log_;
  std::string label_;
  std::atomic<int>* destroyed_;
  IMPLEMENT_REFCOUNTING(LogTask);
};

// A counted object that records when it is deleted.
class Tracked : public CefBase {
 public:
  explicit Tracked(bool* deleted) : deleted_(deleted) {}
  ~Tracked() override { *deleted_ = true; }

 private:
  bool* deleted_;
  IMPLEMENT_REFCOUNTING(Tracked);
};

// Runs ready tasks until |done| or the time limit; false on timeout.
template <typename Pred>
bool RunUntil(MessageLoop* loop, Pred done, int limit_ms = 5000) {
  auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    loop->WaitForWork(20);
    loop->RunReadyTasks();
  }
  return true;
}

TEST(MessageLoopTest, RunsImmediateTasksInPostOrderAndNeverSynchronously) {
  MessageLoop loop;
  std::vector<std::string> log;
  CefRefPtr<CefTaskRunner> runner = loop.GetTaskRunner();
  for (int i = 0; i < 5; ++i)
    EXPECT_TRUE(runner->PostTask(new LogTask(&log, std::to_string(i))));
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(5, loop.RunReadyTasks());
  EXPECT_EQ((std::vector<std::string>{"0", "1", "2", "3", "4"}), log);
  EXPECT_EQ(0, loop.RunReadyTasks());
  EXPECT_EQ(-1, loop.MillisUntilNextTask());
}

// A task that posts another: the new one waits for the next round.
class RepostTask : public CefTask {
 public:
  RepostTask(MessageLoop* loop, std::vector<std::string>* log)
      : loop_(loop), log_(log) {}
  void Execute() override {
    log_->push_back("outer");
    loop_->PostTask(new LogTask(log_, "inner"), 0);
  }

 private:
  MessageLoop* loop_;
  std::vector<std::string>* log_;
  IMPLEMENT_REFCOUNTING(RepostTask);
};

TEST(MessageLoopTest, TaskPostedWhileRunningWaitsForNextRound) {
  MessageLoop loop;
  std::vector<std::string> log;
  loop.PostTask(new RepostTask(&loop, &log), 0);
  EXPECT_EQ(1, loop.RunReadyTasks());
  EXPECT_EQ(std::vector<std::string>{"outer"}, log);
  EXPECT_EQ(1, loop.RunReadyTasks());
  EXPECT_EQ((std::vector<std::string>{"outer", "inner"}), log);
}

TEST(MessageLoopTest, DelayedTasksRunInDueOrderAndEqualDueTimesInPostOrder) {
  MessageLoop loop;
  std::vector<std::string> log;
  loop.PostTask(new LogTask(&log, "late"), 120);
  loop.PostTask(new LogTask(&log, "mid-a"), 60);
  loop.PostTask(new LogTask(&log, "now"), 0);
  loop.PostTask(new LogTask(&log, "negative"), -5);
  loop.PostTask(new LogTask(&log, "mid-b"), 60);
  EXPECT_EQ(2, loop.RunReadyTasks());
  EXPECT_EQ((std::vector<std::string>{"now", "negative"}), log);
  const int64 wait = loop.MillisUntilNextTask();
  EXPECT_GT(wait, 0);
  EXPECT_LE(wait, 60);
  ASSERT_TRUE(RunUntil(&loop, [&] { return log.size() == 5; }));
  EXPECT_EQ(
      (std::vector<std::string>{"now", "negative", "mid-a", "mid-b", "late"}),
      log);
}

TEST(MessageLoopTest, DueDelayedTaskRunsBeforeImmediateTasksPostedLater) {
  MessageLoop loop;
  std::vector<std::string> log;
  loop.PostTask(new LogTask(&log, "first"), 0);
  loop.PostTask(new LogTask(&log, "delayed"), 20);
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  // Posted after the delayed task fell due: it waits behind it.
  loop.PostTask(new LogTask(&log, "after"), 0);
  EXPECT_EQ(3, loop.RunReadyTasks());
  EXPECT_EQ((std::vector<std::string>{"first", "delayed", "after"}), log);
  EXPECT_EQ(-1, loop.MillisUntilNextTask());
}

TEST(MessageLoopTest, DelayedTaskDoesNotRunEarly) {
  MessageLoop loop;
  std::vector<std::string> log;
  const auto start = std::chrono::steady_clock::now();
  loop.PostTask(new LogTask(&log, "x"), 50);
  EXPECT_FALSE(loop.WaitForWork(0));
  EXPECT_EQ(0, loop.RunReadyTasks());
  ASSERT_TRUE(RunUntil(&loop, [&] { return !log.empty(); }));
  EXPECT_GE(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(50));
}

TEST(MessageLoopTest, PostFromAnotherThreadWakesWaitAndDescriptor) {
  MessageLoop loop;
  std::vector<std::string> log;
  CefRefPtr<CefTaskRunner> runner = loop.GetTaskRunner();
  ASSERT_GE(loop.wake_fd(), 0);

  pollfd pfd = {loop.wake_fd(), POLLIN, 0};
  EXPECT_EQ(0, poll(&pfd, 1, 0));

  std::thread poster([runner, &log] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    runner->PostTask(new LogTask(&log, "from-thread"));
  });
  // An unbounded wait returns once the post arrives.
  EXPECT_TRUE(loop.WaitForWork(-1));
  poster.join();
  EXPECT_EQ(1, poll(&pfd, 1, 0));
  loop.ClearWake();
  EXPECT_EQ(0, poll(&pfd, 1, 0));
  EXPECT_EQ(1, loop.RunReadyTasks());
  EXPECT_EQ(std::vector<std::string>{"from-thread"}, log);

  // The descriptor alone wakes an owner that polls on it once it has said
  // it is about to sleep.
  EXPECT_EQ(-1, loop.PrepareToSleep());
  std::thread poster2([runner, &log] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    runner->PostTask(new LogTask(&log, "second"));
  });
  EXPECT_EQ(1, poll(&pfd, 1, 5000));
  poster2.join();
  loop.ClearWake();
  EXPECT_EQ(1, loop.RunReadyTasks());
}

// A post to a loop whose owner is awake leaves the descriptor alone (no
// system call); the owner still finds the task when it prepares to sleep.
TEST(MessageLoopTest, PostToAnAwakeLoopDoesNotTouchTheDescriptor) {
  MessageLoop loop;
  std::vector<std::string> log;
  CefRefPtr<CefTaskRunner> runner = loop.GetTaskRunner();
  loop.ClearWake();  // the owner is awake
  std::thread poster(
      [runner, &log] { runner->PostTask(new LogTask(&log, "while awake")); });
  poster.join();
  pollfd pfd = {loop.wake_fd(), POLLIN, 0};
  EXPECT_EQ(0, poll(&pfd, 1, 0)) << "descriptor written for an awake owner";
  EXPECT_EQ(0, loop.PrepareToSleep()) << "the task is due at once";
  EXPECT_EQ(1, loop.RunReadyTasks());
  EXPECT_EQ(std::vector<std::string>{"while awake"}, log);
}

// The owner's cycle (prepare, poll, clear, run) against posts that land at
// every point of it: no post may leave the owner asleep with work queued.
TEST(MessageLoopTest, NoWakeUpIsLostBetweenPrepareAndPoll) {
  MessageLoop loop;
  CefRefPtr<CefTaskRunner> runner = loop.GetTaskRunner();
  constexpr int kPosts = 3000;
  std::atomic<int> ran{0};
  struct Count {
    static void Add(std::atomic<int>* counter) { ++*counter; }
  };
  std::thread poster([runner, &ran] {
    for (int i = 0; i < kPosts; ++i) {
      // Vary where in the owner's cycle the post lands.
      for (int spin = 0; spin < (i * 7919) % 2000; ++spin)
        std::atomic_signal_fence(std::memory_order_seq_cst);
      runner->PostTask(NewCefRunnableFunction(&Count::Add, &ran));
      while (ran.load() <= i)
        std::this_thread::yield();
    }
  });
  int stalls = 0;
  while (ran.load() < kPosts) {
    // Nothing queued: the owner sleeps until a post wakes it. A lost
    // wake-up shows as a poll that times out with a task queued.
    if (loop.PrepareToSleep() < 0) {
      pollfd pfd = {loop.wake_fd(), POLLIN, 0};
      if (poll(&pfd, 1, 2000) == 0 && loop.MillisUntilNextTask() == 0)
        ++stalls;
    }
    loop.ClearWake();
    loop.RunReadyTasks();
  }
  poster.join();
  EXPECT_EQ(0, stalls);
  EXPECT_EQ(kPosts, ran.load());
}

TEST(MessageLoopTest, ManyThreadsPostingLoseNothing) {
  MessageLoop loop;
  std::atomic<int> ran{0};
  CefRefPtr<CefTaskRunner> runner = loop.GetTaskRunner();
  struct Count {
    static void Add(std::atomic<int>* counter) { ++*counter; }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([runner, &ran] {
      for (int i = 0; i < 250; ++i)
        runner->PostTask(NewCefRunnableFunction(&Count::Add, &ran));
    });
  }
  ASSERT_TRUE(RunUntil(&loop, [&] { return ran.load() == 1000; }));
  for (auto& thread : threads)
    thread.join();
  loop.RunReadyTasks();
  EXPECT_EQ(1000, ran.load());
}

TEST(MessageLoopTest, WaitHonoursLimitAndShutdown) {
  MessageLoop loop;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(loop.WaitForWork(30));
  EXPECT_GE(std::chrono::steady_clock::now() - start,
            std::chrono::milliseconds(30));
  loop.Shutdown();
  EXPECT_TRUE(loop.is_shut_down());
  // No hang once shut down, even without a limit.
  EXPECT_FALSE(loop.WaitForWork(-1));
}

TEST(MessageLoopTest, WaitWithTheLargestLimitWaitsForAPost) {
  MessageLoop loop;
  std::vector<std::string> log;
  std::thread poster([&loop, &log] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    loop.PostTask(new LogTask(&log, "late"), 0);
  });
  EXPECT_TRUE(loop.WaitForWork(std::numeric_limits<int64>::max()));
  poster.join();
}

TEST(MessageLoopTest, ShutdownReleasesQueuedTasksUnrunAndRefusesPosts) {
  std::vector<std::string> log;
  std::atomic<int> destroyed{0};
  CefRefPtr<CefTaskRunner> runner;
  {
    MessageLoop loop;
    runner = loop.GetTaskRunner();
    loop.PostTask(new LogTask(&log, "a", &destroyed), 0);
    loop.PostTask(new LogTask(&log, "b", &destroyed), 10000);
    loop.Shutdown();
    EXPECT_EQ(2, destroyed.load());
    EXPECT_FALSE(loop.PostTask(new LogTask(&log, "c", &destroyed), 0));
    EXPECT_EQ(3, destroyed.load());
    EXPECT_EQ(0, loop.RunReadyTasks());
  }
  // A runner that outlives its loop fails every post and releases the task.
  EXPECT_FALSE(runner->PostTask(new LogTask(&log, "d", &destroyed)));
  EXPECT_FALSE(runner->BelongsToCurrentThread());
  EXPECT_EQ(4, destroyed.load());
  EXPECT_TRUE(log.empty());
}

TEST(MessageLoopTest, CancelledTaskLeavesTheQueueUnrun) {
  std::vector<std::string> log;
  std::atomic<int> destroyed{0};
  std::function<bool(uint64_t)> cancel;
  {
    MessageLoop loop;
    cancel = loop.GetCanceller();
    const uint64_t late =
        loop.PostCancelableTask(new LogTask(&log, "late", &destroyed), 60000);
    const uint64_t soon =
        loop.PostCancelableTask(new LogTask(&log, "soon", &destroyed), 0);
    loop.PostTask(new LogTask(&log, "plain", &destroyed), 0);
    ASSERT_NE(0u, late);
    ASSERT_NE(late, soon);
    EXPECT_TRUE(cancel(late));
    EXPECT_EQ(1, destroyed.load()) << "released at once, without running";
    EXPECT_FALSE(cancel(late)) << "a second cancel finds nothing";
    EXPECT_EQ(0, loop.MillisUntilNextTask());
    EXPECT_EQ(2, loop.RunReadyTasks());
    EXPECT_FALSE(cancel(soon)) << "a task that ran cannot be cancelled";
    // Nothing is left: the cancelled task no longer counts as queued.
    EXPECT_EQ(-1, loop.MillisUntilNextTask());
    EXPECT_FALSE(loop.WaitForWork(0));
    const uint64_t dropped = loop.PostCancelableTask(new LogTask(&log, "x"), 0);
    loop.Shutdown();
    EXPECT_FALSE(cancel(dropped));
  }
  EXPECT_FALSE(cancel(1)) << "the canceller outlives its loop";
  EXPECT_EQ((std::vector<std::string>{"soon", "plain"}), log);
  EXPECT_EQ(0u, MessageLoop().PostCancelableTask(NULL, 0));
}

TEST(MessageLoopTest, NullTaskIsRefused) {
  MessageLoop loop;
  EXPECT_FALSE(loop.PostTask(NULL, 0));
  EXPECT_FALSE(loop.GetTaskRunner()->PostTask(NULL));
  EXPECT_FALSE(loop.GetTaskRunner()->PostDelayedTask(NULL, 5));
}

TEST(MessageLoopTest, AfterTaskHookRunsAfterEveryTask) {
  MessageLoop loop;
  std::vector<std::string> log;
  loop.SetAfterTaskHook([&log] { log.push_back("hook"); });
  loop.PostTask(new LogTask(&log, "a"), 0);
  loop.PostTask(new LogTask(&log, "b"), 0);
  loop.RunReadyTasks();
  EXPECT_EQ((std::vector<std::string>{"a", "hook", "b", "hook"}), log);
}

TEST(TaskRunnerTest, CurrentThreadRegistryAndIdentity) {
  EXPECT_EQ(nullptr, MessageLoop::Current());
  EXPECT_EQ(nullptr, CefTaskRunner::GetForCurrentThread().get());
  EXPECT_EQ(nullptr, CefTaskRunner::GetForThread(TID_RENDERER).get());
  EXPECT_FALSE(CefCurrentlyOn(TID_RENDERER));
  std::vector<std::string> log;
  EXPECT_FALSE(CefPostTask(TID_RENDERER, new LogTask(&log, "x")));

  {
    MessageLoop loop;
    EXPECT_EQ(&loop, MessageLoop::Current());
    EXPECT_TRUE(loop.RunsOnCurrentThread());
    loop.RegisterAsThread(TID_RENDERER);

    CefRefPtr<CefTaskRunner> current = CefTaskRunner::GetForCurrentThread();
    CefRefPtr<CefTaskRunner> renderer =
        CefTaskRunner::GetForThread(TID_RENDERER);
    ASSERT_TRUE(current.get());
    ASSERT_TRUE(renderer.get());
    // New wrappers each time, the same underlying runner.
    EXPECT_NE(current.get(), renderer.get());
    EXPECT_TRUE(current->IsSame(renderer));
    EXPECT_TRUE(renderer->IsSame(loop.GetTaskRunner()));
    EXPECT_FALSE(current->IsSame(NULL));
    EXPECT_TRUE(current->BelongsToCurrentThread());
    EXPECT_TRUE(current->BelongsToThread(TID_RENDERER));
    EXPECT_FALSE(current->BelongsToThread(TID_UI));
    EXPECT_TRUE(CefCurrentlyOn(TID_RENDERER));
    EXPECT_FALSE(CefCurrentlyOn(TID_IO));
    EXPECT_EQ(nullptr, CefTaskRunner::GetForThread(TID_UI).get());
    EXPECT_FALSE(CefPostTask(TID_UI, new LogTask(&log, "ui")));

    EXPECT_TRUE(CefPostTask(TID_RENDERER, new LogTask(&log, "a")));
    EXPECT_TRUE(CefPostDelayedTask(TID_RENDERER, new LogTask(&log, "b"), 1));
    ASSERT_TRUE(RunUntil(&loop, [&] { return log.size() == 2; }));
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), log);

    // Another loop is a different runner.
    MessageLoop other;
    EXPECT_FALSE(other.GetTaskRunner()->IsSame(current));
    EXPECT_EQ(&loop, MessageLoop::Current());

    // From another thread: the runner does not belong there.
    bool belongs = true, currently_on = true, has_current = true;
    std::thread probe([&] {
      belongs = renderer->BelongsToCurrentThread();
      currently_on = CefCurrentlyOn(TID_RENDERER);
      has_current = CefTaskRunner::GetForCurrentThread().get() != nullptr;
    });
    probe.join();
    EXPECT_FALSE(belongs);
    EXPECT_FALSE(currently_on);
    EXPECT_FALSE(has_current);
  }
  // Destroying the loop unregisters it.
  EXPECT_EQ(nullptr, MessageLoop::Current());
  EXPECT_EQ(nullptr, CefTaskRunner::GetForThread(TID_RENDERER).get());
  EXPECT_FALSE(CefCurrentlyOn(TID_RENDERER));
}

TEST(TaskRunnerTest, UnregisterThread) {
  MessageLoop loop;
  loop.RegisterAsThread(TID_RENDERER);
  EXPECT_TRUE(CefTaskRunner::GetForThread(TID_RENDERER).get());
  loop.UnregisterThread();
  EXPECT_EQ(nullptr, CefTaskRunner::GetForThread(TID_RENDERER).get());
  // The loop itself still works.
  EXPECT_TRUE(CefTaskRunner::GetForCurrentThread().get());
}

// Runnable helpers ------------------------------------------------------------

std::string g_joined;

void Join6(int a,
           const std::string& b,
           double c,
           char d,
           const std::vector<int>& e,
           long f) {
  g_joined = std::to_string(a) + b + std::to_string(static_cast<int>(c)) + d +
             std::to_string(e.size()) + std::to_string(f);
}

void Join8(int a, int b, int c, int d, int e, int f, int g, int h) {
  g_joined = std::to_string(a + b + c + d + e + f + g + h);
}

void KeepTracked(CefRefPtr<Tracked> tracked, bool* alive_at_run) {
  *alive_at_run = tracked.get() != nullptr;
}

TEST(RunnableTest, BindsArgumentsByValue) {
  MessageLoop loop;
  std::string text = "-b-";
  std::vector<int> items = {1, 2, 3};
  loop.PostTask(NewCefRunnableFunction(&Join6, 1, text, 2.5, 'x', items, 7L),
                0);
  // Changing the originals after binding has no effect.
  text = "changed";
  items.clear();
  loop.RunReadyTasks();
  EXPECT_EQ("1-b-2x37", g_joined);

  loop.PostTask(NewCefRunnableFunction(&Join8, 1, 2, 3, 4, 5, 6, 7, 8), 0);
  loop.RunReadyTasks();
  EXPECT_EQ("36", g_joined);
}

TEST(RunnableTest, PostedTwiceRunsTwice) {
  MessageLoop loop;
  g_joined.clear();
  struct Append {
    static void Run(const std::string& s) { g_joined += s; }
  };
  CefRefPtr<CefTask> task =
      NewCefRunnableFunction(&Append::Run, std::string("ab"));
  loop.PostTask(task, 0);
  loop.PostTask(task, 0);
  loop.RunReadyTasks();
  EXPECT_EQ("abab", g_joined);
}

TEST(RunnableTest, BoundReferenceReleasedAfterRun) {
  MessageLoop loop;
  bool deleted = false;
  bool alive_at_run = false;
  {
    CefRefPtr<Tracked> tracked = new Tracked(&deleted);
    loop.PostTask(NewCefRunnableFunction(&KeepTracked, tracked, &alive_at_run),
                  0);
  }
  // Only the queued task keeps the object now.
  EXPECT_FALSE(deleted);
  loop.RunReadyTasks();
  EXPECT_TRUE(alive_at_run);
  EXPECT_TRUE(deleted);
}

TEST(RunnableTest, BoundReferenceReleasedWhenTaskDropped) {
  bool deleted_by_shutdown = false;
  bool deleted_by_refusal = false;
  bool alive_at_run = false;
  {
    MessageLoop loop;
    loop.PostTask(
        NewCefRunnableFunction(
            &KeepTracked, CefRefPtr<Tracked>(new Tracked(&deleted_by_shutdown)),
            &alive_at_run),
        100000);
    EXPECT_FALSE(deleted_by_shutdown);
    loop.Shutdown();
    EXPECT_TRUE(deleted_by_shutdown);
    EXPECT_FALSE(loop.PostTask(
        NewCefRunnableFunction(
            &KeepTracked, CefRefPtr<Tracked>(new Tracked(&deleted_by_refusal)),
            &alive_at_run),
        0));
    EXPECT_TRUE(deleted_by_refusal);
  }
  EXPECT_FALSE(alive_at_run);

  // A task that is never posted releases its values with its last reference.
  bool deleted_unposted = false;
  {
    CefRefPtr<CefTask> task = NewCefRunnableFunction(
        &KeepTracked, CefRefPtr<Tracked>(new Tracked(&deleted_unposted)),
        &alive_at_run);
    EXPECT_FALSE(deleted_unposted);
  }
  EXPECT_TRUE(deleted_unposted);
}

class Counter : public CefBase {
 public:
  void Add(int n) { total_ += n; }
  int total() const { return total_; }

 private:
  int total_ = 0;
  IMPLEMENT_REFCOUNTING(Counter);
};

TEST(RunnableTest, MethodTaskKeepsObjectAlive) {
  MessageLoop loop;
  CefRefPtr<Counter> counter = new Counter();
  EXPECT_EQ(1, counter->GetRefCt());
  loop.PostTask(NewCefRunnableMethod(counter.get(), &Counter::Add, 5), 0);
  EXPECT_EQ(2, counter->GetRefCt());
  loop.RunReadyTasks();
  EXPECT_EQ(5, counter->total());
  EXPECT_EQ(1, counter->GetRefCt());
}

}  // namespace
