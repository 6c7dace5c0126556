// SharedLibrary.h — a shared library opened at run time and its symbols: dlopen on Linux, LoadLibrary
// in the Windows test host. The host loads the effect module and the CUDA driver this way.
#ifndef MORPHALITH_HOST_SHARED_LIBRARY_H
#define MORPHALITH_HOST_SHARED_LIBRARY_H

#include <string>

namespace host {

// A path is opened as it stands; a bare name ("libcuda.so.1", "nvcuda.dll") is looked for by the
// system's normal search. Null, with *why, when it cannot be opened.
void* openLibrary(const std::string& nameOrPath, std::string* why);
void* findSymbol(void* library, const char* name);
void closeLibrary(void* library);

}  // namespace host

#endif  // MORPHALITH_HOST_SHARED_LIBRARY_H
