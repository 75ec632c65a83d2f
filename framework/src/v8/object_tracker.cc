#include "v8/object_tracker.h"

#include <cmath>
#include <utility>

namespace cef_renderer {

TrackedObjectList::~TrackedObjectList() {
  // Forget empties a list before its context goes; should a record remain,
  // it must not point at a list that is gone.
  while (head_)
    Remove(head_);
}

void TrackedObjectList::Add(TrackedObject* record) {
  record->list = this;
  record->previous = nullptr;
  record->next = head_;
  if (head_)
    head_->previous = record;
  head_ = record;
}

void TrackedObjectList::Remove(TrackedObject* record) {
  if (record->previous)
    record->previous->next = record->next;
  else
    head_ = record->next;
  if (record->next)
    record->next->previous = record->previous;
  record->list = nullptr;
  record->previous = record->next = nullptr;
}

ObjectTracker::ObjectTracker(v8::Isolate* isolate) : isolate_(isolate) {
  v8::HandleScope handle_scope(isolate);
  key_.Reset(isolate,
             v8::Private::New(isolate, v8::String::NewFromUtf8Literal(
                                           isolate, "cef::tracked_object")));
}

ObjectTracker::~ObjectTracker() {
  std::vector<std::unique_ptr<TrackedObject>> records;
  records.reserve(records_.size());
  for (auto& entry : records_) {
    if (entry.second->list)
      entry.second->list->Remove(entry.second.get());
    entry.second->object.Reset();
    records.push_back(std::move(entry.second));
  }
  records_.clear();
  FreeRecords(std::move(records));
  FreeCollected();
}

void ObjectTracker::MarkUserCreated(v8::Local<v8::Context> context,
                                    v8::Local<v8::Object> object) {
  // Ordinary objects always take private properties.
  object->SetPrivate(context, key_.Get(isolate_), v8::Integer::New(isolate_, 0))
      .IsJust();
}

TrackedObject* ObjectTracker::Track(v8::Local<v8::Context> context,
                                    v8::Local<v8::Object> object,
                                    std::unique_ptr<TrackedObject> record,
                                    TrackedObjectList* owner) {
  TrackedObject* raw = record.get();
  Attach(context, object, Add(std::move(record), owner));
  return raw;
}

uint64_t ObjectTracker::Add(std::unique_ptr<TrackedObject> record,
                            TrackedObjectList* owner) {
  const uint64_t id = next_id_++;
  record->id = id;
  record->tracker = this;
  owner->Add(record.get());
  records_.emplace(id, std::move(record));
  return id;
}

void ObjectTracker::Attach(v8::Local<v8::Context> context,
                           v8::Local<v8::Object> object,
                           uint64_t id) {
  TrackedObject* record = FindById(id);
  if (!record)
    return;
  object->SetPrivate(context, key_.Get(isolate_), TrackerIdToV8(isolate_, id))
      .IsJust();
  record->object.Reset(isolate_, object);
  record->object.SetWeak(record, &ObjectTracker::OnCollected,
                         v8::WeakCallbackType::kParameter);
}

void ObjectTracker::Discard(uint64_t id) {
  auto it = records_.find(id);
  if (it == records_.end())
    return;
  std::vector<std::unique_ptr<TrackedObject>> records;
  if (it->second->list)
    it->second->list->Remove(it->second.get());
  records.push_back(std::move(it->second));
  records_.erase(it);
  FreeRecords(std::move(records));
}

v8::Local<v8::Value> ObjectTracker::MarkOf(v8::Local<v8::Context> context,
                                           v8::Local<v8::Object> object) {
  v8::Local<v8::Value> mark;
  if (!object->GetPrivate(context, key_.Get(isolate_)).ToLocal(&mark))
    return v8::Local<v8::Value>();
  return mark;
}

bool ObjectTracker::IsUserCreated(v8::Local<v8::Context> context,
                                  v8::Local<v8::Object> object) {
  v8::Local<v8::Value> mark = MarkOf(context, object);
  return !mark.IsEmpty() && mark->IsNumber();
}

TrackedObject* ObjectTracker::Find(v8::Local<v8::Context> context,
                                   v8::Local<v8::Object> object) {
  v8::Local<v8::Value> mark = MarkOf(context, object);
  return mark.IsEmpty() ? nullptr : FindById(TrackerIdFromV8(mark));
}

TrackedObject* ObjectTracker::FindOrCreate(v8::Local<v8::Context> context,
                                           v8::Local<v8::Object> object,
                                           TrackedObjectList* owner) {
  v8::Local<v8::Value> mark = MarkOf(context, object);
  if (mark.IsEmpty() || !mark->IsNumber())
    return nullptr;
  if (mark.As<v8::Number>()->Value() != 0)
    return FindById(TrackerIdFromV8(mark));
  if (!owner)
    return nullptr;
  return Track(context, object, std::make_unique<TrackedObject>(), owner);
}

uint64_t ObjectTracker::IdOf(v8::Local<v8::Context> context,
                             v8::Local<v8::Object> object) {
  TrackedObject* record = Find(context, object);
  return record ? record->id : 0;
}

TrackedObject* ObjectTracker::FindById(uint64_t id) {
  auto it = records_.find(id);
  return it == records_.end() ? nullptr : it->second.get();
}

void ObjectTracker::Forget(TrackedObjectList* owner) {
  // Unlinked first, freed afterwards: freeing releases client objects, whose
  // destructors may use V8 and so let collected records come and go.
  std::vector<std::unique_ptr<TrackedObject>> records;
  while (!owner->empty()) {
    TrackedObject* record = owner->head_;
    owner->Remove(record);
    record->object.Reset();
    auto it = records_.find(record->id);
    records.push_back(std::move(it->second));
    records_.erase(it);
  }
  FreeRecords(std::move(records));
}

void ObjectTracker::OnCollected(
    const v8::WeakCallbackInfo<TrackedObject>& info) {
  // Inside the garbage collector: only plain bookkeeping here, the record is
  // freed by FreeCollected.
  TrackedObject* record = info.GetParameter();
  record->object.Reset();
  ObjectTracker* tracker = record->tracker;
  if (record->list)
    record->list->Remove(record);
  auto it = tracker->records_.find(record->id);
  if (it == tracker->records_.end())
    return;
  tracker->collected_.push_back(std::move(it->second));
  tracker->records_.erase(it);
}

void ObjectTracker::FreeCollected() {
  if (collected_.empty())
    return;
  std::vector<std::unique_ptr<TrackedObject>> records;
  records.swap(collected_);
  FreeRecords(std::move(records));
}

void ObjectTracker::FreeRecords(
    std::vector<std::unique_ptr<TrackedObject>> records) {
  int64_t external_memory = 0;
  for (const auto& record : records)
    external_memory += record->external_memory;
  // The client objects go here, after the bookkeeping is consistent.
  records.clear();
  if (external_memory != 0)
    isolate_->AdjustAmountOfExternalAllocatedMemory(-external_memory);
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
