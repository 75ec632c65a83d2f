#ifndef JSAPI_EXTENSION_SCRIPT_H_
#define JSAPI_EXTENSION_SCRIPT_H_

// The V8 extension that gives every JavaScript context the global kivApi.
extern const char kExtensionName[];
extern const char kExtensionScript[];

// The native functions the script declares, routed by FunctionHandler.
extern const char kQueryFunctionName[];
extern const char kRegisterCallbackFunctionName[];
extern const char kUnregisterCallbackFunctionName[];

#endif  // JSAPI_EXTENSION_SCRIPT_H_
