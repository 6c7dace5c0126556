// PluginModule_Win.h — the plug-in DLL's own module handle, where its resources (the About image,
// the Debug Information dialog) are found.
#ifndef MORPHALITH_PLATFORM_WIN_PLUGIN_MODULE_H
#define MORPHALITH_PLATFORM_WIN_PLUGIN_MODULE_H

#include <windows.h>

// Set by global set-up (rememberPluginModule); null before.
extern HMODULE pluginModule;

// The module that holds this code, looked up from an address inside it; null when the system cannot
// tell. The module's reference count is left as it is, so asking never keeps the module loaded.
HMODULE GetPluginModuleHandle();

// Global set-up: pluginModule becomes the module that holds EffectMain.
void rememberPluginModule();

#endif  // MORPHALITH_PLATFORM_WIN_PLUGIN_MODULE_H
