// The renderer's value model on the wire: process message arguments and the
// start-up list go straight between the framework's value trees and the
// payload, with no intermediate tree and no copy of the message.
//
// Going in, the framework's storage rules apply: NaN and infinite doubles
// are stored as 0.0, strings as UTF-8 (an unpaired surrogate becomes
// U+FFFD), an empty binary (which the framework cannot hold) as null, and a
// dictionary entry with an empty key is dropped. A list longer than the
// framework's list limit never gets this far: the decoder refuses it.
#ifndef CEF_SRC_PROCESS_LIST_CODEC_H_
#define CEF_SRC_PROCESS_LIST_CODEC_H_

#include <memory>
#include <string>

#include "base/value.h"
#include "include/cef_values.h"
#include "ipc/record_codec.h"

namespace cef_process {

// A list to encode; it is read under its tree's lock while it is encoded.
struct ListToSend {
  CefRefPtr<CefListValue> list;
};

// A decoded list tree, ready to be adopted by a container or a message.
struct ReceivedList {
  std::unique_ptr<cef_base::Value> root;
};

}  // namespace cef_process

namespace ipc {

template <>
inline cef_process::ListToSend EmptyList<cef_process::ListToSend>() {
  return cef_process::ListToSend();
}

template <>
inline cef_process::ReceivedList EmptyList<cef_process::ReceivedList>() {
  return cef_process::ReceivedList{cef_base::Value::NewList()};
}

template <>
struct ValueCodec<cef_process::ListToSend> {
  // Fails for a NULL or invalid list and for nesting deeper than the wire
  // allows.
  static bool Encode(const cef_process::ListToSend& list,
                     WireWriter* writer,
                     std::string* error);
};

template <>
struct ValueCodec<cef_process::ReceivedList> {
  static bool DecodeList(WireReader* reader,
                         cef_process::ReceivedList* out,
                         const char* field);
};

}  // namespace ipc

#endif  // CEF_SRC_PROCESS_LIST_CODEC_H_
