#include "base/message_loop.h"

#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/eventfd.h>
#endif

#include <chrono>
#include <condition_variable>
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
  // be found again by Cancel.
  uint64_t Post(CefRefPtr<CefTask> task, int64 delay_ms, bool cancelable) {
    if (!task.get())
      return 0;
    if (delay_ms < 0)
      delay_ms = 0;
    // Clamp absurd delays so that the due time cannot overflow the clock.
    const int64 kMaxDelayMs = int64{1} << 40;
    if (delay_ms > kMaxDelayMs)
      delay_ms = kMaxDelayMs;
    const Clock::time_point due =
        Clock::now() + std::chrono::milliseconds(delay_ms);
    std::lock_guard<std::mutex> lock(mutex_);
    if (shut_down_)
      return 0;
    const uint64_t sequence = next_sequence_++;
    queue_.emplace(Key{due, sequence}, task);
    if (cancelable)
      cancelable_.emplace(sequence + 1, due);
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
    CefRefPtr<CefTask> dropped;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto found = cancelable_.find(id);
      if (found == cancelable_.end())
        return false;
      auto entry = queue_.find(Key{found->second, id - 1});
      cancelable_.erase(found);
      if (entry == queue_.end())
        return false;
      dropped = std::move(entry->second);
      queue_.erase(entry);
    }
    // Released outside the lock: its destructor may post.
    dropped = nullptr;
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
      CefRefPtr<CefTask> task;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (shut_down_ || queue_.empty())
          break;
        auto top = queue_.begin();
        if (top->first.due > now || top->first.sequence >= sequence_limit)
          break;
        task = std::move(top->second);
        cancelable_.erase(top->first.sequence + 1);
        queue_.erase(top);
      }
      task->Execute();
      // Drop the queue's reference (and with it the task's bound values)
      // before the hook runs.
      task = nullptr;
      ++ran;
      if (after_task_hook_)
        after_task_hook_();
    }
    return ran;
  }

  int64 MillisUntilNext() const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty())
      return -1;
    const Clock::duration left = queue_.begin()->first.due - Clock::now();
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
        bounded ? Clock::now() + std::chrono::milliseconds(max_wait_ms)
                : Clock::time_point::max();
    std::unique_lock<std::mutex> lock(mutex_);
    // A waiter on the condition also counts as sleeping for the descriptor,
    // so that an owner that polls both never misses a post.
    may_sleep_ = true;
    for (;;) {
      if (shut_down_)
        return false;
      const Clock::time_point now = Clock::now();
      if (!queue_.empty() && queue_.begin()->first.due <= now)
        return true;
      if (bounded && now >= limit)
        return false;
      Clock::time_point until = limit;
      if (!queue_.empty() && queue_.begin()->first.due < until)
        until = queue_.begin()->first.due;
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
    std::vector<CefRefPtr<CefTask>> dropped;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (shut_down_)
        return;
      shut_down_ = true;
      dropped.reserve(queue_.size());
      for (auto& entry : queue_)
        dropped.push_back(std::move(entry.second));
      queue_.clear();
      cancelable_.clear();
      cond_.notify_all();
    }
    // Released outside the lock: a task's destructor may post (and fail).
    dropped.clear();
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
  // Orders the queue by due time, then by the order of posting. An ordered
  // map rather than a heap, so that a cancelled task leaves at once and an
  // empty queue means that nothing is left to run.
  struct Key {
    Clock::time_point due;
    uint64_t sequence;
    bool operator<(const Key& other) const {
      if (due != other.due)
        return due < other.due;
      return sequence < other.sequence;
    }
  };

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
  std::map<Key, CefRefPtr<CefTask>> queue_;
  // Due times of the queued cancelable tasks, by id.
  std::unordered_map<uint64_t, Clock::time_point> cancelable_;
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
