#include "base/message_loop.h"

#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/eventfd.h>
#endif

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace cef_base {

namespace {

using Clock = std::chrono::steady_clock;

thread_local MessageLoop* g_current_loop = nullptr;

}  // namespace

class MessageLoop::State {
 public:
  State() : owner_(std::this_thread::get_id()) { OpenWakeFd(); }
  ~State() { CloseWakeFd(); }

  State(const State&) = delete;
  State& operator=(const State&) = delete;

  // The task's id (> 0), or 0 when it was refused. A |cancelable| task can
  // be taken off the queue again by Cancel.
  uint64_t Post(CefRefPtr<CefTask> task, int64 delay_ms, bool cancelable) {
    if (!task.get())
      return 0;
    delay_ms = std::clamp<int64>(delay_ms, 0, kMaxDelayMs);
    TaskRef ref(task.get());
    std::lock_guard<std::mutex> lock(mutex_);
    if (shut_down_)
      return 0;
    // Read under the lock, so that the immediate queue is ordered by due
    // time as well as by sequence.
    const Clock::time_point now = Clock::now();
    const uint64_t sequence = next_sequence_;
    if (cancelable) {
      const Clock::time_point due = now + std::chrono::milliseconds(delay_ms);
      cancelable_.emplace(Key{due, sequence},
                          Entry{due, next_sequence_++, std::move(ref)});
      cancelable_due_.emplace(sequence, due);
    } else if (delay_ms == 0) {
      immediate_.push_back(Entry{now, next_sequence_++, std::move(ref)});
    } else {
      delayed_.push_back(Entry{now + std::chrono::milliseconds(delay_ms),
                               next_sequence_++, std::move(ref)});
      std::push_heap(delayed_.begin(), delayed_.end(), Later());
    }
    if (waiters_ > 0)
      cond_.notify_all();
    if (may_sleep_ && !wake_written_) {
      SignalWake();
      wake_written_ = true;
    }
    // Sequence numbers start at 0; ids start at 1.
    return sequence + 1;
  }

  bool Cancel(uint64_t id) {
    TaskRef dropped;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto found = cancelable_due_.find(id - 1);
      if (id == 0 || found == cancelable_due_.end())
        return false;
      auto entry = cancelable_.find(Key{found->second, id - 1});
      cancelable_due_.erase(found);
      if (entry == cancelable_.end())
        return false;
      dropped = std::move(entry->second.task);
      cancelable_.erase(entry);
    }
    // Released outside the lock: its destructor may post.
    return true;
  }

  int RunReady() {
    const Clock::time_point now = Clock::now();
    uint64_t sequence_limit;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      sequence_limit = next_sequence_;
    }
    int ran = 0;
    for (;;) {
      TaskRef task;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (shut_down_ || !PopReady(now, sequence_limit, &task))
          break;
      }
      task->Execute();
      // Drop the queue's reference (and with it the task's bound values)
      // before the hook runs.
      task.reset();
      ++ran;
      if (after_task_hook_)
        after_task_hook_();
    }
    return ran;
  }

  int64 MillisUntilNext() const {
    std::lock_guard<std::mutex> lock(mutex_);
    const Entry* next = Next();
    if (!next)
      return -1;
    const Clock::duration left = next->due - Clock::now();
    if (left <= Clock::duration::zero())
      return 0;
    // Round up so that waiting this long makes the task due.
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(left);
    if (ms < left)
      ++ms;
    return static_cast<int64>(ms.count());
  }

  int64 PrepareToSleep() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      may_sleep_ = true;
    }
    return MillisUntilNext();
  }

  bool Wait(int64 max_wait_ms) {
    const bool bounded = max_wait_ms >= 0;
    const Clock::time_point limit =
        bounded
            ? Clock::now() +
                  std::chrono::milliseconds(std::min(max_wait_ms, kMaxDelayMs))
            : Clock::time_point::max();
    std::unique_lock<std::mutex> lock(mutex_);
    // A waiter on the condition also counts as sleeping for the descriptor,
    // so that an owner that polls both never misses a post.
    may_sleep_ = true;
    for (;;) {
      if (shut_down_)
        return false;
      const Clock::time_point now = Clock::now();
      const Entry* next = Next();
      if (next && next->due <= now)
        return true;
      if (bounded && now >= limit)
        return false;
      Clock::time_point until = limit;
      if (next && next->due < until)
        until = next->due;
      ++waiters_;
      if (until == Clock::time_point::max())
        cond_.wait(lock);
      else
        cond_.wait_until(lock, until);
      --waiters_;
    }
  }

  void ClearWake() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      may_sleep_ = false;
      if (!wake_written_)
        return;
      wake_written_ = false;
    }
    if (wake_read_fd_ < 0)
      return;
#if defined(__linux__)
    uint64_t count;
    while (read(wake_read_fd_, &count, sizeof(count)) > 0) {
    }
#else
    char buffer[64];
    while (read(wake_read_fd_, buffer, sizeof(buffer)) > 0) {
    }
#endif
  }

  void Shutdown() {
    std::deque<Entry> dropped_immediate;
    std::vector<Entry> dropped_delayed;
    std::map<Key, Entry> dropped_cancelable;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (shut_down_)
        return;
      shut_down_ = true;
      dropped_immediate.swap(immediate_);
      dropped_delayed.swap(delayed_);
      dropped_cancelable.swap(cancelable_);
      cancelable_due_.clear();
      cond_.notify_all();
    }
    // Released outside the lock: a task's destructor may post (and fail).
    dropped_immediate.clear();
    dropped_delayed.clear();
    dropped_cancelable.clear();
  }

  bool shut_down() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return shut_down_;
  }

  bool OnOwnerThread() const {
    return std::this_thread::get_id() == owner_;
  }

  // The owner thread runs this loop, which is still alive.
  bool RunsTasksHere() const {
    return OnOwnerThread() && !shut_down();
  }

  int wake_fd() const {
    return wake_read_fd_;
  }

  std::function<void()> after_task_hook_;

 private:
  // One reference to a queued task, moved rather than copied, so that the
  // queues never touch the task's reference count.
  struct ReleaseTask {
    void operator()(CefTask* task) const { task->Release(); }
  };
  struct TaskRef : std::unique_ptr<CefTask, ReleaseTask> {
    TaskRef() = default;
    explicit TaskRef(CefTask* task) : unique_ptr(task) {
      if (task)
        task->AddRef();
    }
  };

  struct Entry {
    Clock::time_point due;
    uint64_t sequence;
    TaskRef task;
  };
  // Orders the heap so that the earliest due time, then the earliest post,
  // comes out first.
  struct Later {
    bool operator()(const Entry& a, const Entry& b) const {
      if (a.due != b.due)
        return a.due > b.due;
      return a.sequence > b.sequence;
    }
  };

  // Orders the cancelable tasks like the heap, earliest first.
  struct Key {
    Clock::time_point due;
    uint64_t sequence;
    bool operator<(const Key& other) const {
      if (due != other.due)
        return due < other.due;
      return sequence < other.sequence;
    }
  };

  // With the lock held: the queued task that runs next, or NULL. Tasks
  // posted without delay wait in a FIFO of their own (ordered by due time
  // and sequence alike), the delayed ones in a heap, and the cancelable ones
  // (timers) in an ordered map that a cancel leaves at once, so that a
  // cleared timer no longer counts as work left.
  const Entry* Next() const {
    const Entry* next = immediate_.empty() ? nullptr : &immediate_.front();
    const Entry* candidates[] = {
        delayed_.empty() ? nullptr : &delayed_.front(),
        cancelable_.empty() ? nullptr : &cancelable_.begin()->second};
    for (const Entry* candidate : candidates) {
      if (candidate && (!next || Later()(*next, *candidate)))
        next = candidate;
    }
    return next;
  }

  // With the lock held: takes the next task if it is due by |now| and was
  // posted before |sequence_limit|.
  bool PopReady(Clock::time_point now, uint64_t sequence_limit, TaskRef* task) {
    const Entry* next = Next();
    if (!next || next->due > now || next->sequence >= sequence_limit)
      return false;
    if (!immediate_.empty() && next == &immediate_.front()) {
      *task = std::move(immediate_.front().task);
      immediate_.pop_front();
    } else if (!cancelable_.empty() && next == &cancelable_.begin()->second) {
      *task = std::move(cancelable_.begin()->second.task);
      cancelable_due_.erase(next->sequence);
      cancelable_.erase(cancelable_.begin());
    } else {
      std::pop_heap(delayed_.begin(), delayed_.end(), Later());
      *task = std::move(delayed_.back().task);
      delayed_.pop_back();
    }
    return true;
  }

  void OpenWakeFd() {
#if defined(__linux__)
    wake_read_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    wake_write_fd_ = wake_read_fd_;
#else
    int fds[2];
    if (pipe(fds) == 0) {
      for (int fd : fds) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
      }
      wake_read_fd_ = fds[0];
      wake_write_fd_ = fds[1];
    }
#endif
  }

  void CloseWakeFd() {
    if (wake_write_fd_ >= 0 && wake_write_fd_ != wake_read_fd_)
      close(wake_write_fd_);
    if (wake_read_fd_ >= 0)
      close(wake_read_fd_);
    wake_read_fd_ = wake_write_fd_ = -1;
  }

  // With the lock held.
  void SignalWake() {
    if (wake_write_fd_ < 0)
      return;
#if defined(__linux__)
    const uint64_t one = 1;
    ssize_t written;
    do {
      written = write(wake_write_fd_, &one, sizeof(one));
    } while (written < 0 && errno == EINTR);
#else
    const char one = 1;
    ssize_t written;
    do {
      written = write(wake_write_fd_, &one, 1);
    } while (written < 0 && errno == EINTR);
#endif
    // A full counter or pipe already means "readable": nothing is lost.
    (void)written;
  }

  const std::thread::id owner_;
  mutable std::mutex mutex_;
  std::condition_variable cond_;
  std::deque<Entry> immediate_;
  std::vector<Entry> delayed_;  // a heap ordered by Later
  std::map<Key, Entry> cancelable_;
  // Due times of the queued cancelable tasks, by sequence.
  std::unordered_map<uint64_t, Clock::time_point> cancelable_due_;
  uint64_t next_sequence_ = 0;
  bool shut_down_ = false;
  // The owner may be blocked (in poll or on cond_): posts must wake it. It
  // starts set, so an owner that never announces itself is always woken.
  bool may_sleep_ = true;
  bool wake_written_ = false;  // the descriptor is readable
  int waiters_ = 0;            // threads in Wait on cond_
  int wake_read_fd_ = -1;
  int wake_write_fd_ = -1;
};

namespace {

using StatePtr = std::shared_ptr<MessageLoop::State>;

// Which loop runs each framework thread id, for GetForThread, CefPostTask and
// CefCurrentlyOn.
class ThreadRegistry {
 public:
  static ThreadRegistry& Get() {
    static ThreadRegistry* registry = new ThreadRegistry();
    return *registry;
  }

  void Set(CefThreadId id, StatePtr state) {
    std::lock_guard<std::mutex> lock(mutex_);
    loops_[id] = std::move(state);
  }

  void RemoveAll(const MessageLoop::State* state) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = loops_.begin(); it != loops_.end();) {
      if (it->second.get() == state)
        it = loops_.erase(it);
      else
        ++it;
    }
  }

  StatePtr Find(CefThreadId id) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = loops_.find(id);
    return it == loops_.end() ? nullptr : it->second;
  }

 private:
  std::mutex mutex_;
  std::map<CefThreadId, StatePtr> loops_;
};

class TaskRunnerImpl : public CefTaskRunner {
 public:
  explicit TaskRunnerImpl(StatePtr state) : state_(std::move(state)) {}

  // CefTaskRunner methods:
  bool IsSame(CefRefPtr<CefTaskRunner> that) override {
    TaskRunnerImpl* other = dynamic_cast<TaskRunnerImpl*>(that.get());
    return other && other->state_ == state_;
  }
  bool BelongsToCurrentThread() override { return state_->RunsTasksHere(); }
  bool BelongsToThread(CefThreadId threadId) override {
    return ThreadRegistry::Get().Find(threadId) == state_;
  }
  bool PostTask(CefRefPtr<CefTask> task) override {
    return state_->Post(task, 0, false) != 0;
  }
  bool PostDelayedTask(CefRefPtr<CefTask> task, int64 delay_ms) override {
    return state_->Post(task, delay_ms, false) != 0;
  }

 private:
  const StatePtr state_;

  IMPLEMENT_REFCOUNTING(TaskRunnerImpl);
};

}  // namespace

MessageLoop::MessageLoop() : state_(std::make_shared<State>()) {
  if (!g_current_loop)
    g_current_loop = this;
}

MessageLoop::~MessageLoop() {
  Shutdown();
  ThreadRegistry::Get().RemoveAll(state_.get());
  if (g_current_loop == this)
    g_current_loop = nullptr;
}

bool MessageLoop::PostTask(CefRefPtr<CefTask> task, int64 delay_ms) {
  return state_->Post(task, delay_ms, false) != 0;
}

uint64_t MessageLoop::PostCancelableTask(CefRefPtr<CefTask> task,
                                         int64 delay_ms) {
  return state_->Post(task, delay_ms, true);
}

std::function<bool(uint64_t)> MessageLoop::GetCanceller() {
  std::weak_ptr<State> weak(state_);
  return [weak](uint64_t id) {
    std::shared_ptr<State> state = weak.lock();
    return state && state->Cancel(id);
  };
}

int MessageLoop::RunReadyTasks() {
  // Keeps the queue alive even if a task destroys this loop.
  std::shared_ptr<State> state = state_;
  return state->RunReady();
}

int64 MessageLoop::MillisUntilNextTask() const {
  return state_->MillisUntilNext();
}

bool MessageLoop::WaitForWork(int64 max_wait_ms) {
  return state_->Wait(max_wait_ms);
}

int64 MessageLoop::PrepareToSleep() {
  return state_->PrepareToSleep();
}

int MessageLoop::wake_fd() const {
  return state_->wake_fd();
}

void MessageLoop::ClearWake() {
  state_->ClearWake();
}

void MessageLoop::SetAfterTaskHook(std::function<void()> hook) {
  state_->after_task_hook_ = std::move(hook);
}

void MessageLoop::Shutdown() {
  state_->Shutdown();
}

bool MessageLoop::is_shut_down() const {
  return state_->shut_down();
}

bool MessageLoop::RunsOnCurrentThread() const {
  return state_->OnOwnerThread();
}

// static
MessageLoop* MessageLoop::Current() {
  return g_current_loop;
}

CefRefPtr<CefTaskRunner> MessageLoop::GetTaskRunner() {
  return new TaskRunnerImpl(state_);
}

void MessageLoop::RegisterAsThread(CefThreadId thread_id) {
  ThreadRegistry::Get().Set(thread_id, state_);
}

void MessageLoop::UnregisterThread() {
  ThreadRegistry::Get().RemoveAll(state_.get());
}

}  // namespace cef_base

// static
CefRefPtr<CefTaskRunner> CefTaskRunner::GetForCurrentThread() {
  cef_base::MessageLoop* loop = cef_base::MessageLoop::Current();
  if (!loop || loop->is_shut_down())
    return NULL;
  return loop->GetTaskRunner();
}

// static
CefRefPtr<CefTaskRunner> CefTaskRunner::GetForThread(CefThreadId threadId) {
  cef_base::StatePtr state = cef_base::ThreadRegistry::Get().Find(threadId);
  if (!state)
    return NULL;
  return new cef_base::TaskRunnerImpl(state);
}

bool CefCurrentlyOn(CefThreadId threadId) {
  cef_base::StatePtr state = cef_base::ThreadRegistry::Get().Find(threadId);
  return state && state->RunsTasksHere();
}

bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task) {
  cef_base::StatePtr state = cef_base::ThreadRegistry::Get().Find(threadId);
  return state && state->Post(task, 0, false) != 0;
}

bool CefPostDelayedTask(CefThreadId threadId,
                        CefRefPtr<CefTask> task,
                        int64 delay_ms) {
  cef_base::StatePtr state = cef_base::ThreadRegistry::Get().Find(threadId);
  return state && state->Post(task, delay_ms, false) != 0;
}
