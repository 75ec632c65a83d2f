// Per-object data of objects made through the API (CreateObject, CreateArray,
// CreateFunction): handler, accessor, user data, external memory. Every such
// object carries a mark in a private property, so every wrapper of it sees the
// same data: an id once it has a record, 0 while it needs none (a plain
// CreateObject or CreateArray gets its record when user data or external
// memory is first set).
//
// A record lives as long as its object: it holds the object weakly and goes
// when V8 collects it, as in the framework. Records also belong to the context
// that was current at creation and go when it is released; an id whose record
// is gone is simply not found, so a stale object never reaches freed memory.
// Render thread only.
#ifndef CEF_SRC_V8_OBJECT_TRACKER_H_
#define CEF_SRC_V8_OBJECT_TRACKER_H_

#include <v8.h>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "include/cef_v8.h"

namespace cef_renderer {

class ObjectTracker;
class TrackedObjectList;

struct TrackedObject {
  CefRefPtr<CefV8Handler> handler;    // CreateFunction
  CefString function_name;            // CreateFunction
  CefRefPtr<CefV8Accessor> accessor;  // CreateObject with an accessor
  CefRefPtr<CefBase> user_data;
  int external_memory = 0;

 private:
  friend class ObjectTracker;
  friend class TrackedObjectList;

  uint64_t id = 0;
  ObjectTracker* tracker = nullptr;
  v8::Global<v8::Object> object;  // weak
  TrackedObjectList* list = nullptr;
  TrackedObject* previous = nullptr;
  TrackedObject* next = nullptr;
};

// The records that belong to one context: an intrusive list, so adding and
// removing cost no allocation. Emptied by ObjectTracker::Forget.
class TrackedObjectList {
 public:
  TrackedObjectList() = default;
  ~TrackedObjectList();

  TrackedObjectList(const TrackedObjectList&) = delete;
  TrackedObjectList& operator=(const TrackedObjectList&) = delete;

  bool empty() const { return head_ == nullptr; }

 private:
  friend class ObjectTracker;
  void Add(TrackedObject* record);
  void Remove(TrackedObject* record);

  TrackedObject* head_ = nullptr;
};

class ObjectTracker {
 public:
  explicit ObjectTracker(v8::Isolate* isolate);
  ~ObjectTracker();

  ObjectTracker(const ObjectTracker&) = delete;
  ObjectTracker& operator=(const ObjectTracker&) = delete;

  // Marks |object| as made through the API, with no record yet.
  void MarkUserCreated(v8::Local<v8::Context> context,
                       v8::Local<v8::Object> object);

  // Creates a record in |owner| for |object| and marks the object with it.
  TrackedObject* Track(v8::Local<v8::Context> context,
                       v8::Local<v8::Object> object,
                       std::unique_ptr<TrackedObject> record,
                       TrackedObjectList* owner);
  // The two steps of Track, for objects that need the id to be made.
  uint64_t Add(std::unique_ptr<TrackedObject> record, TrackedObjectList* owner);
  void Attach(v8::Local<v8::Context> context,
              v8::Local<v8::Object> object,
              uint64_t id);
  // Drops a record added but never attached to an object.
  void Discard(uint64_t id);

  // Whether |object| was made through the API.
  bool IsUserCreated(v8::Local<v8::Context> context,
                     v8::Local<v8::Object> object);
  // The record of |object|, or NULL if it has none (not user-created, not
  // needed yet, or its context was released).
  TrackedObject* Find(v8::Local<v8::Context> context,
                      v8::Local<v8::Object> object);
  // The record of a user-created object, made now in |owner| if the object
  // has none yet. NULL for other objects, for records dropped with their
  // context, and when |owner| is NULL.
  TrackedObject* FindOrCreate(v8::Local<v8::Context> context,
                              v8::Local<v8::Object> object,
                              TrackedObjectList* owner);
  TrackedObject* FindById(uint64_t id);
  // The id of |object|'s record, 0 if none.
  uint64_t IdOf(v8::Local<v8::Context> context, v8::Local<v8::Object> object);

  // Drops the records of a released context; the client objects they hold
  // are released and their external memory is given back to V8.
  void Forget(TrackedObjectList* owner);
  // Frees the records of objects V8 has collected. Runs at safe points (the
  // end of a script turn): a GC callback may not run client code.
  void FreeCollected();

  // Records held now, collected ones not yet freed included (for leak
  // checks).
  size_t size() const { return records_.size() + collected_.size(); }

 private:
  static void OnCollected(const v8::WeakCallbackInfo<TrackedObject>& info);
  v8::Local<v8::Value> MarkOf(v8::Local<v8::Context> context,
                              v8::Local<v8::Object> object);
  void FreeRecords(std::vector<std::unique_ptr<TrackedObject>> records);

  v8::Isolate* const isolate_;
  v8::Global<v8::Private> key_;
  uint64_t next_id_ = 1;
  std::unordered_map<uint64_t, std::unique_ptr<TrackedObject>> records_;
  std::vector<std::unique_ptr<TrackedObject>> collected_;
};

// Ids travel inside V8 as numbers; they stay below 2^53, so exactly.
v8::Local<v8::Value> TrackerIdToV8(v8::Isolate* isolate, uint64_t id);
uint64_t TrackerIdFromV8(v8::Local<v8::Value> value);  // 0 if not an id

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_OBJECT_TRACKER_H_
