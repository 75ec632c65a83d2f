#include "v8/object_tracker.h"

#include <cmath>
#include <utility>

namespace cef_renderer {

ObjectTracker::ObjectTracker(v8::Isolate* isolate) : isolate_(isolate) {
  v8::HandleScope handle_scope(isolate);
  key_.Reset(isolate,
             v8::Private::New(isolate, v8::String::NewFromUtf8Literal(
                                           isolate, "cef::tracked_object")));
}

ObjectTracker::~ObjectTracker() {
  ForgetAll();
}

uint64_t ObjectTracker::Track(v8::Local<v8::Context> context,
                              v8::Local<v8::Object> object,
                              std::unique_ptr<TrackedObject> record) {
  const uint64_t id = Add(std::move(record));
  Mark(context, object, id);
  return id;
}

uint64_t ObjectTracker::Add(std::unique_ptr<TrackedObject> record) {
  const uint64_t id = next_id_++;
  records_.emplace(id, std::move(record));
  return id;
}

void ObjectTracker::Mark(v8::Local<v8::Context> context,
                         v8::Local<v8::Object> object,
                         uint64_t id) {
  // Ordinary objects always take private properties.
  object->SetPrivate(context, key_.Get(isolate_), TrackerIdToV8(isolate_, id))
      .IsJust();
}

TrackedObject* ObjectTracker::Find(v8::Local<v8::Context> context,
                                   v8::Local<v8::Object> object) {
  return FindById(IdOf(context, object));
}

uint64_t ObjectTracker::IdOf(v8::Local<v8::Context> context,
                             v8::Local<v8::Object> object) {
  v8::Local<v8::Value> id;
  if (!object->GetPrivate(context, key_.Get(isolate_)).ToLocal(&id))
    return 0;
  const uint64_t value = TrackerIdFromV8(id);
  return records_.count(value) ? value : 0;
}

TrackedObject* ObjectTracker::FindById(uint64_t id) {
  auto it = records_.find(id);
  return it == records_.end() ? nullptr : it->second.get();
}

void ObjectTracker::Forget(const std::vector<uint64_t>& ids) {
  for (uint64_t id : ids)
    Erase(id);
}

void ObjectTracker::ForgetAll() {
  while (!records_.empty())
    Erase(records_.begin()->first);
}

void ObjectTracker::Erase(uint64_t id) {
  auto it = records_.find(id);
  if (it == records_.end())
    return;
  // The record's client objects are released after it leaves the map, so a
  // destructor that calls back in sees a consistent tracker.
  std::unique_ptr<TrackedObject> record = std::move(it->second);
  records_.erase(it);
  if (record->external_memory != 0)
    isolate_->AdjustAmountOfExternalAllocatedMemory(-record->external_memory);
}

v8::Local<v8::Value> TrackerIdToV8(v8::Isolate* isolate, uint64_t id) {
  return v8::Number::New(isolate, static_cast<double>(id));
}

uint64_t TrackerIdFromV8(v8::Local<v8::Value> value) {
  if (value.IsEmpty() || !value->IsNumber())
    return 0;
  const double number = value.As<v8::Number>()->Value();
  if (!(number >= 1 && number < 9007199254740992.0) ||
      std::floor(number) != number) {
    return 0;
  }
  return static_cast<uint64_t>(number);
}

}  // namespace cef_renderer
