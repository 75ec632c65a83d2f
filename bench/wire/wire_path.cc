#include "bench/wire/wire_path.h"

#include "ipc/messages.h"
#include "process/value_convert.h"

namespace kivbench {

namespace {

bool ToWire(CefRefPtr<CefProcessMessage> message,
            ipc::WireValue* arguments,
            std::string* error) {
  return cef_process::ListToWire(message->GetArgumentList(), arguments, error);
}

}  // namespace

bool EncodeOutgoing(int browser_id,
                    CefRefPtr<CefProcessMessage> message,
                    Payload* payload,
                    std::string* error) {
  ipc::ProcessMessageSent sent;
  sent.browser_id = browser_id;
  sent.name = message->GetName().ToString();
  return ToWire(message, &sent.arguments, error) &&
         ipc::EncodeEvent(sent, payload, error);
}

bool EncodeIncoming(int browser_id,
                    CefRefPtr<CefProcessMessage> message,
                    Payload* payload,
                    std::string* error) {
  ipc::DeliverMessage deliver;
  deliver.browser_id = browser_id;
  deliver.name = message->GetName().ToString();
  return ToWire(message, &deliver.arguments, error) &&
         ipc::EncodeRequest(deliver, payload, error);
}

CefRefPtr<CefProcessMessage> DecodeIncoming(const Payload& payload,
                                            std::string* error) {
  ipc::Request request;
  if (!ipc::DecodeRequest(payload, &request, error))
    return nullptr;
  const auto* deliver = std::get_if<ipc::DeliverMessage>(&request);
  if (!deliver) {
    *error = "not a delivered message";
    return nullptr;
  }
  return cef_process::WireToMessage(deliver->name, deliver->arguments);
}

std::function<bool()> CodecRoundTrip(CefRefPtr<CefProcessMessage> message,
                                     size_t* payload_size,
                                     std::string* error) {
  auto sent = std::make_shared<ipc::ProcessMessageSent>();
  sent->browser_id = 1;
  sent->name = message->GetName().ToString();
  auto payload = std::make_shared<Payload>();
  if (!ToWire(message, &sent->arguments, error) ||
      !ipc::EncodeEvent(*sent, payload.get(), error)) {
    return nullptr;
  }
  *payload_size = payload->size();
  return [sent, payload]() {
    std::string error;
    ipc::Event event;
    return ipc::EncodeEvent(*sent, payload.get(), &error) &&
           ipc::DecodeEvent(*payload, &event, &error);
  };
}

}  // namespace kivbench
