// PluginModule.h — loads the effect module as a host would: dlopen, the two entry points by name,
// and the registration the module reports through the host's callback.
#ifndef MORPHALITH_HOST_PLUGIN_MODULE_H
#define MORPHALITH_HOST_PLUGIN_MODULE_H

#include <string>

#include "PF_Effect.h"

namespace host {

struct Registration {
    int calls = 0;  // how many times the module called the registration callback
    std::string name, matchName, category, entryPoint;
    A_long kind = 0, apiMajor = 0, apiMinor = 0, reservedInfo = 0;
};

class PluginModule {
public:
    PluginModule() = default;
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // Loads the module and registers it; false with error() set when either fails.
    bool load(const std::string& path, SPBasicSuite* basic);
    void unload();

    bool loaded() const { return handle_ != nullptr; }
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }
    const Registration& registration() const { return registration_; }
    PF_Err registrationResult() const { return registrationResult_; }
    PF_EffectMainFunc effectMain() const { return effectMain_; }
    // A symbol of the module or of the libraries it brought in (null when none has it, or none is loaded).
    void* symbol(const char* name) const;

private:
    void* handle_ = nullptr;
    std::string path_, error_;
    Registration registration_;
    PF_Err registrationResult_ = PF_Err_NONE;
    PF_EffectMainFunc effectMain_ = nullptr;
};

}  // namespace host

#endif  // MORPHALITH_HOST_PLUGIN_MODULE_H
