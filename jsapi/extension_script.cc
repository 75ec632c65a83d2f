#include "jsapi/extension_script.h"

const char kExtensionName[] = "kivExtension";

// Runs once in every new context. A truthy kivApi that the page already has
// is kept and receives the methods. The native functions are declared inside
// the methods, so pages reach them only through kivApi.
const char kExtensionScript[] =
    "var kivApi;\n"
    "\n"
    "if (!kivApi)\n"
    "{\n"
    "\tkivApi = {};\n"
    "}\n"
    "\n"
    "(function()\n"
    "{\n"
    "\tkivApi.query = function(args)\n"
    "\t{\n"
    "\t\tnative function queryFunc(args);\n"
    "\t\treturn queryFunc(args);\n"
    "\t};\n"
    "\t\n"
    "\tkivApi.registerCallback = function(name, callback)\n"
    "\t{\n"
    "\t\tnative function registerCallback(name, callback);\n"
    "\t\treturn registerCallback(name, callback);\n"
    "\t};\n"
    "\t\n"
    "\tkivApi.unregisterCallback = function(id)\n"
    "\t{\n"
    "\t\tnative function unregisterCallback(id);\n"
    "\t\treturn unregisterCallback(id);\n"
    "\t};\n"
    "})();";

const char kQueryFunctionName[] = "queryFunc";
const char kRegisterCallbackFunctionName[] = "registerCallback";
const char kUnregisterCallbackFunctionName[] = "unregisterCallback";
