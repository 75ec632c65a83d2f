// Per-object data of objects made through the API (CreateObject, CreateArray,
// CreateFunction): handler, accessor, user data, external memory. The object
// carries its record's id in a private property, so every wrapper of the
// object finds the same record. Records belong to the context that was
// current at creation and go when it is released; an id whose record is gone
// is simply not found, so a stale object never reaches freed memory.
#ifndef CEF_SRC_V8_OBJECT_TRACKER_H_
#define CEF_SRC_V8_OBJECT_TRACKER_H_

#include <v8.h>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "include/cef_v8.h"

namespace cef_renderer {

struct TrackedObject {
  CefRefPtr<CefV8Handler> handler;    // CreateFunction
  CefString function_name;            // CreateFunction
  CefRefPtr<CefV8Accessor> accessor;  // CreateObject with an accessor
  CefRefPtr<CefBase> user_data;
  int external_memory = 0;
};

class ObjectTracker {
 public:
  explicit ObjectTracker(v8::Isolate* isolate);
  ~ObjectTracker();

  ObjectTracker(const ObjectTracker&) = delete;
  ObjectTracker& operator=(const ObjectTracker&) = delete;

  // Creates a record and marks |object| with it. Returns its id.
  uint64_t Track(v8::Local<v8::Context> context,
                 v8::Local<v8::Object> object,
                 std::unique_ptr<TrackedObject> record);
  // The two steps of Track, for objects that need the id to be made.
  uint64_t Add(std::unique_ptr<TrackedObject> record);
  void Mark(v8::Local<v8::Context> context,
            v8::Local<v8::Object> object,
            uint64_t id);

  // The record of |object|, or NULL if it has none (not user-created, or
  // its context was released).
  TrackedObject* Find(v8::Local<v8::Context> context,
                      v8::Local<v8::Object> object);
  TrackedObject* FindById(uint64_t id);
  // The id of |object|'s record, 0 if none.
  uint64_t IdOf(v8::Local<v8::Context> context, v8::Local<v8::Object> object);

  // Drops records; external memory they reported is given back to V8.
  void Forget(const std::vector<uint64_t>& ids);
  void ForgetAll();

  // Records held now (for leak checks).
  size_t size() const { return records_.size(); }

 private:
  void Erase(uint64_t id);

  v8::Isolate* const isolate_;
  v8::Global<v8::Private> key_;
  uint64_t next_id_ = 1;
  std::unordered_map<uint64_t, std::unique_ptr<TrackedObject>> records_;
};

// Ids travel inside V8 as numbers; they stay below 2^53, so exactly.
v8::Local<v8::Value> TrackerIdToV8(v8::Isolate* isolate, uint64_t id);
uint64_t TrackerIdFromV8(v8::Local<v8::Value> value);  // 0 if not an id

}  // namespace cef_renderer

#endif  // CEF_SRC_V8_OBJECT_TRACKER_H_
