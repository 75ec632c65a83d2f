// UTF-8 / UTF-16 conversion for the channel's text fields and the JSON form
// of values. Invalid input converts with U+FFFD in place of each bad unit, as
// the framework's own conversions do.

#ifndef FRAMEWORK_SRC_IPC_UTF_H_
#define FRAMEWORK_SRC_IPC_UTF_H_

#include <string>

namespace ipc {

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& text);
// Well-formed UTF-16: every surrogate is part of a pair.
bool IsValidUtf16(const std::u16string& text);

std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

}  // namespace ipc

#endif  // FRAMEWORK_SRC_IPC_UTF_H_
