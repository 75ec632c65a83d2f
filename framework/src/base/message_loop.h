// A thread's task queue: what backs a CefTaskRunner. Any thread may post;
// only the thread that owns the loop runs its tasks. An owner that waits in
// poll() on its own descriptors (the renderer main loop) calls
// PrepareToSleep() first; from then until ClearWake() a post makes wake_fd()
// readable, so the owner wakes without delay. A post to a loop that is awake
// costs no system call: the owner looks at the queue before it sleeps.
//
// Delayed tasks run in due order; tasks due at the same time run in the order
// they were posted. Tasks are released without running when the loop shuts
// down, and posts after that fail.
#ifndef CEF_SRC_BASE_MESSAGE_LOOP_H_
#define CEF_SRC_BASE_MESSAGE_LOOP_H_

#include <cstdint>
#include <functional>
#include <memory>

#include "include/cef_task.h"

namespace cef_base {

class MessageLoop {
 public:
  // Longer delays and waits are clamped to this (about 35 years), so that
  // adding one to the clock cannot overflow it.
  static constexpr int64 kMaxDelayMs = int64{1} << 40;

  // The calling thread becomes the loop's owner.
  MessageLoop();
  // Shuts down if not done yet. Must run on the owner thread.
  ~MessageLoop();

  MessageLoop(const MessageLoop&) = delete;
  MessageLoop& operator=(const MessageLoop&) = delete;

  // Any thread. Queues |task| to run after |delay_ms| (negative: 0). False
  // for a NULL task or a loop that has shut down; the task is then released
  // on the calling thread without running.
  bool PostTask(CefRefPtr<CefTask> task, int64 delay_ms);

  // Any thread. As PostTask, and returns an id (> 0) that CancelTask takes,
  // or 0 when the task was refused.
  uint64_t PostCancelableTask(CefRefPtr<CefTask> task, int64 delay_ms);

  // A function that removes a task posted with PostCancelableTask from the
  // queue before it runs, releasing it without running it. It returns false
  // when the id is not queued (it ran, is running, was cancelled, or the
  // loop is gone). Any thread; the function may outlive the loop.
  std::function<bool(uint64_t)> GetCanceller();

  // Owner thread. Runs the tasks that are due now, in order, each followed
  // by the after-task hook; tasks posted while running wait for the next
  // call. Returns how many ran.
  int RunReadyTasks();

  // Owner thread. Milliseconds until the next queued task is due: 0 when
  // one is due now, -1 when the queue is empty.
  int64 MillisUntilNextTask() const;

  // Owner thread. Blocks until a task is due or |max_wait_ms| has passed
  // (negative: no limit while tasks may still come). True if a task is due.
  bool WaitForWork(int64 max_wait_ms);

  // Owner thread, just before it blocks in poll() on wake_fd(): from now on
  // posts write the descriptor. Returns MillisUntilNextTask(), read after
  // the switch, so that no post is missed in between.
  int64 PrepareToSleep();

  // A descriptor that becomes readable when a task is posted while the
  // owner may sleep (see PrepareToSleep and WaitForWork). The owner polls it
  // with its own descriptors and calls ClearWake() once awake.
  int wake_fd() const;
  void ClearWake();

  // Called on the owner thread after every task that RunReadyTasks runs
  // (the renderer runs microtasks there).
  void SetAfterTaskHook(std::function<void()> hook);

  // Owner thread. Releases every queued task without running it; later
  // posts fail.
  void Shutdown();
  bool is_shut_down() const;

  // Whether the calling thread owns this loop.
  bool RunsOnCurrentThread() const;

  // The loop that the calling thread owns, or NULL.
  static MessageLoop* Current();

  // A new CefTaskRunner wrapper for this loop. Runners for the same loop
  // are IsSame; a runner that outlives the loop fails every post.
  CefRefPtr<CefTaskRunner> GetTaskRunner();

  // Makes this loop the runner of |thread_id| for GetForThread and
  // CefPostTask, until UnregisterThread or destruction.
  void RegisterAsThread(CefThreadId thread_id);
  void UnregisterThread();

  // The loop's queue, shared with the task runners that wrap it.
  class State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace cef_base

#endif  // CEF_SRC_BASE_MESSAGE_LOOP_H_
