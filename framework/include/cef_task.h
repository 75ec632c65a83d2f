// Tasks and the task runners that execute them on framework threads.

#ifndef CEF_INCLUDE_CEF_TASK_H_
#define CEF_INCLUDE_CEF_TASK_H_
#pragma once

#include "include/cef_base.h"

typedef cef_thread_id_t CefThreadId;

///
// Implement this interface for asynchronous task execution. If the task is
// posted successfully and if the associated message loop is still running then
// the Execute() method will be called on the target thread. If the task fails
// to post then the task object may be destroyed on the source thread instead
// of the target thread. For this reason be cautious when performing work in
// the task object destructor.
///
class CefTask : public virtual CefBase {
 public:
  ///
  // Method that will be executed on the target thread.
  ///
  virtual void Execute() = 0;
};

///
// Class that asynchronously executes tasks on the associated thread. It is safe
// to call the methods of this class on any thread.
//
// In the renderer process the only task runner is the one of TID_RENDERER, the
// thread that runs all WebKit and V8 work.
///
class CefTaskRunner : public virtual CefBase {
 public:
  ///
  // Returns the task runner for the current thread. Only CEF threads will have
  // task runners. An empty reference will be returned if this method is called
  // on an invalid thread.
  ///
  static CefRefPtr<CefTaskRunner> GetForCurrentThread();

  ///
  // Returns the task runner for the specified CEF thread.
  ///
  static CefRefPtr<CefTaskRunner> GetForThread(CefThreadId threadId);

  ///
  // Returns true if this object is pointing to the same task runner as |that|
  // object.
  ///
  virtual bool IsSame(CefRefPtr<CefTaskRunner> that) = 0;

  ///
  // Returns true if this task runner belongs to the current thread.
  ///
  virtual bool BelongsToCurrentThread() = 0;

  ///
  // Returns true if this task runner is for the specified CEF thread.
  ///
  virtual bool BelongsToThread(CefThreadId threadId) = 0;

  ///
  // Post a task for execution on the thread associated with this task runner.
  // Execution will occur asynchronously.
  ///
  virtual bool PostTask(CefRefPtr<CefTask> task) = 0;

  ///
  // Post a task for delayed execution on the thread associated with this task
  // runner. Execution will occur asynchronously. Delayed tasks are not
  // supported on V8 WebWorker threads and will be executed without the
  // specified delay.
  ///
  virtual bool PostDelayedTask(CefRefPtr<CefTask> task, int64 delay_ms) = 0;
};

///
// Returns true if called on the specified thread. Equivalent to using
// CefTaskRunner::GetForThread(threadId)->BelongsToCurrentThread().
///
bool CefCurrentlyOn(CefThreadId threadId);

///
// Post a task for execution on the specified thread. Equivalent to
// using CefTaskRunner::GetForThread(threadId)->PostTask(task).
///
bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task);

///
// Post a task for delayed execution on the specified thread. Equivalent to
// using CefTaskRunner::GetForThread(threadId)->PostDelayedTask(task, delay_ms).
///
bool CefPostDelayedTask(CefThreadId threadId,
                        CefRefPtr<CefTask> task,
                        int64 delay_ms);

#endif  // CEF_INCLUDE_CEF_TASK_H_
