// The channel's names for the stand-in's one transcoder (unicode/utf.h).

#ifndef FRAMEWORK_SRC_IPC_UTF_H_
#define FRAMEWORK_SRC_IPC_UTF_H_

#include <string>

#include "unicode/utf.h"

namespace ipc {

using unicode::IsValidUtf16;
using unicode::IsValidUtf8;
using unicode::Utf16ToUtf8;
using unicode::Utf8ToUtf16;

}  // namespace ipc

#endif  // FRAMEWORK_SRC_IPC_UTF_H_
