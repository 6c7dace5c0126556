#include "host/PluginModule.h"

#include "host/SharedLibrary.h"

namespace host {

namespace {

std::string text(const A_u_char* s) { return s ? reinterpret_cast<const char*>(s) : ""; }

PF_Err RegisterEffect(PF_PluginDataPtr inPtr, const A_u_char* name, const A_u_char* matchName,
                      const A_u_char* category, const A_u_char* entryPoint, A_long kind, A_long major, A_long minor,
                      A_long reserved) {
    auto* reg = static_cast<Registration*>(inPtr);
    reg->calls += 1;
    reg->name = text(name);
    reg->matchName = text(matchName);
    reg->category = text(category);
    reg->entryPoint = text(entryPoint);
    reg->kind = kind;
    reg->apiMajor = major;
    reg->apiMinor = minor;
    reg->reservedInfo = reserved;
    return PF_Err_NONE;
}

}  // namespace

PluginModule::~PluginModule() { unload(); }

bool PluginModule::load(const std::string& path, SPBasicSuite* basic) {
    unload();
    path_ = path;
    std::string why;
    handle_ = openLibrary(path, &why);
    if (!handle_) {
        error_ = "cannot load module " + path + ": " + why;
        return false;
    }
    auto entry = reinterpret_cast<PF_PluginDataEntryFunc>(findSymbol(handle_, "PluginDataEntryFunction"));
    if (!entry) {
        error_ = "module " + path + " has no PluginDataEntryFunction";
        unload();
        return false;
    }
    registration_ = Registration{};
    registrationResult_ = entry(&registration_, RegisterEffect, basic, "Morphalith Host", "1.0");
    if (registrationResult_ != PF_Err_NONE || registration_.calls != 1) {
        error_ = "module registration failed (result " + std::to_string(registrationResult_) + ", " +
                 std::to_string(registration_.calls) + " registrations)";
        unload();
        return false;
    }
    effectMain_ = reinterpret_cast<PF_EffectMainFunc>(findSymbol(handle_, registration_.entryPoint.c_str()));
    if (!effectMain_) {
        error_ = "module " + path + " has no entry point \"" + registration_.entryPoint + "\"";
        unload();
        return false;
    }
    return true;
}

void* PluginModule::symbol(const char* name) const { return handle_ ? findSymbol(handle_, name) : nullptr; }

void PluginModule::unload() {
    if (handle_) closeLibrary(handle_);
    handle_ = nullptr;
    effectMain_ = nullptr;
}

}  // namespace host
