#include "bench/wire/wire_path.h"

#include "base/value_scope.h"
#include "ipc/messages.h"
#include "ipc/record_codec.h"
#include "process/list_codec.h"
#include "process/value_convert.h"

namespace kivbench {

namespace {

bool ToWire(CefRefPtr<CefProcessMessage> message,
            ipc::WireValue* arguments,
            std::string* error) {
  return cef_process::ListToWire(message->GetArgumentList(), arguments, error);
}

}  // namespace

// The renderer encodes straight from the message's containers.
bool EncodeOutgoing(int browser_id,
                    CefRefPtr<CefProcessMessage> message,
                    Payload* payload,
                    std::string* error) {
  ipc::ProcessMessageSentOf<cef_process::ListToSend> sent;
  sent.browser_id = browser_id;
  sent.name = message->GetName().ToString();
  sent.arguments.list = message->GetArgumentList();
  return ipc::EncodeRecord(ipc::kFirstEventType, sent, payload, error);
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

// The renderer decodes straight into the containers' tree, which the
// received message then takes without a copy.
bool DecodeIncoming(const Payload& payload,
                    std::string* name,
                    CefRefPtr<CefListValue>* arguments,
                    std::string* error) {
  ipc::RequestOf<cef_process::ReceivedList> request;
  if (!ipc::DecodeRequestOf(payload.data(), payload.size(), &request, error))
    return false;
  auto* deliver =
      std::get_if<ipc::DeliverMessageOf<cef_process::ReceivedList>>(&request);
  if (!deliver) {
    *error = "not a delivered message";
    return false;
  }
  *name = deliver->name;
  *arguments = cef_base::AdoptList(std::move(deliver->arguments.root));
  return arguments->get() != nullptr;
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
