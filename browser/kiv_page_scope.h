#ifndef BROWSER_KIV_PAGE_SCOPE_H_
#define BROWSER_KIV_PAGE_SCOPE_H_

#include <limits>
#include <map>
#include <vector>

#include "include/cef_base.h"

class KivResponder;

// Counters the bridge and its responders share; any thread.
class KivCounters : public virtual CefBase {
 public:
  KivCounters() : malformed(0), unannounced(0), refused(0), dropped(0) {}

  // Stops at the largest int: a renderer can send bad messages without end.
  void Add(int* counter) {
    AutoLock lock(this);
    if (*counter < std::numeric_limits<int>::max())
      ++*counter;
  }
  int Read(const int* counter) {
    AutoLock lock(this);
    return *counter;
  }

  int malformed;    // queries that broke the message layout
  int unannounced;  // queries of names that were never announced
  int refused;      // queries beyond the pending limit of a page
  int dropped;      // replies after their page was gone or finished

  IMPLEMENT_REFCOUNTING(KivCounters);
  IMPLEMENT_LOCKING(KivCounters);
};

// The queries of one generation of one browser: what one page (or, across a
// renderer's end, one renderer process) asked. Request ids are unique only
// within a renderer process, so a reply is tied to the scope its query came
// in, not to the id alone: once the scope is closed (main-frame navigation,
// renderer ended, browser closed) its responders are inactive and nothing
// more is sent for them. Any thread.
class KivPageScope : public virtual CefBase {
 public:
  // More pending queries than this in one page are refused.
  static const size_t kMaxPending = 100000;

  KivPageScope(int browser_id, int generation);

  int browser_id() const { return browser_id_; }
  int generation() const { return generation_; }

  bool IsOpen();
  // False when the scope is closed or full.
  bool Add(CefRefPtr<KivResponder> responder);
  void Remove(KivResponder* responder);
  size_t GetPendingCount();

  // Closes the scope and hands back the responders still pending, in the
  // order their queries came.
  std::vector<CefRefPtr<KivResponder>> Close();

 private:
  const int browser_id_;
  const int generation_;
  bool open_;
  int64 next_serial_;
  std::map<int64, CefRefPtr<KivResponder>> pending_;

  IMPLEMENT_REFCOUNTING(KivPageScope);
  IMPLEMENT_LOCKING(KivPageScope);
};

#endif  // BROWSER_KIV_PAGE_SCOPE_H_
