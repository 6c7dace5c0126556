#include "host/SharedLibrary.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace host {

#if defined(_WIN32)
void* openLibrary(const std::string& nameOrPath, std::string* why) {
    // A module given by path finds the libraries beside it first, as a host loading a plug-in does.
    const bool path = nameOrPath.find_first_of("/\\") != std::string::npos;
    HMODULE module = path ? LoadLibraryExA(nameOrPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)
                          : LoadLibraryA(nameOrPath.c_str());
    if (!module) *why = "Windows error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(module);
}
void* findSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
void closeLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}
#else
void* openLibrary(const std::string& nameOrPath, std::string* why) {
    void* handle = dlopen(nameOrPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* text = dlerror();
        *why = text ? text : "unknown error";
    }
    return handle;
}
void* findSymbol(void* library, const char* name) {
    return dlsym(library, name);
}
void closeLibrary(void* library) {
    dlclose(library);
}
#endif

}  // namespace host
