#include "host/Host.h"

#include <cstdlib>
#include <cstring>

#include "host/HostSuites.h"
#include "host/OutputCapture.h"

namespace host {

namespace {

Host* g_host = nullptr;

PF_Err GetPlatformData(PF_ProgPtr, PF_PlatDataID which, void* data) {
    if (!g_host || !data) return PF_Err_BAD_CALLBACK_PARAM;
    if (A_Err err = g_host->hostCall("get_platform_data")) return err;
    if (which == PF_PlatData_EXE_FILE_PATH_W || which == PF_PlatData_RES_FILE_PATH_W) {
        // UTF-16, zero-terminated. Our paths are plain bytes; each byte becomes one code unit.
        const std::string& path = g_host->module().path();
        auto* out = static_cast<A_UTF16Char*>(data);
        for (size_t i = 0; i < path.size(); ++i) out[i] = static_cast<unsigned char>(path[i]);
        out[path.size()] = 0;
        return PF_Err_NONE;
    }
    return PF_Err_BAD_CALLBACK_PARAM;
}

}  // namespace

Host* Host::current() { return g_host; }

std::string Host::defaultModulePath() {
    const char* env = std::getenv("MORPHALITH_MODULE");
    if (env && *env) return env;
#ifdef MRPH_DEFAULT_MODULE
    return MRPH_DEFAULT_MODULE;
#else
    return "Morphalith.plugin/Contents/Linux/Morphalith";
#endif
}

Host::Host(std::string modulePath) : modulePath_(std::move(modulePath)) {
    g_host = this;
    suites_.setTrace(&trace_);
    serveSuites(suites_, handles_);

    utils_.ansi = ansiCallbacks();
    utils_.get_platform_data = GetPlatformData;

    in_.utils = &utils_;
    in_.effect_ref = &effectToken_;
    in_.version = {13, 28};
    in_.appl_id = MRPH_FOURCC('F', 'X', 'T', 'C');
    in_.quality = 1;
    in_.time_scale = 30;
    in_.time_step = 1;
    in_.local_time_step = 1;
    in_.total_time = 300;
    in_.width = project_.comp.width;
    in_.height = project_.comp.height;
    in_.downsample_x = {1, 1};
    in_.downsample_y = {1, 1};
    in_.pixel_aspect_ratio = {1, 1};
    in_.pica_basicP = suites_.basic();
}

Host::~Host() {
    module_.unload();
    if (g_host == this) g_host = nullptr;
}

bool Host::load() {
    if (!module_.load(modulePath_, suites_.basic())) {
        error_ = module_.error();
        return false;
    }
    in_.num_params = 1;
    return true;
}

A_Err Host::hostCall(const std::string& function) {
    trace_.record(function);
    auto it = faults_.find(function);
    if (it == faults_.end()) return A_Err(0);
    A_Err err = it->second;
    faults_.erase(it);
    return err;
}

PF_Err Host::command(PF_Cmd cmd, void* extra, PF_LayerDef* output) {
    if (!module_.effectMain()) {
        error_ = "no module loaded";
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    trace_.record("command " + std::to_string(cmd));
    // A fresh output record per command; what the module hands back is kept for the next one.
    A_u_long version = out_.my_version;
    std::memset(&out_, 0, sizeof(out_));
    out_.my_version = version;
    out_.global_data = in_.global_data;
    out_.sequence_data = in_.sequence_data;

    PF_Err err;
    if (capture_) {
        OutputCapture capture;
        err = module_.effectMain()(cmd, &in_, &out_, nullptr, output, extra);
        lastPrinted_ = capture.finish();
    } else {
        err = module_.effectMain()(cmd, &in_, &out_, nullptr, output, extra);
        lastPrinted_.clear();
    }
    out_.return_msg[sizeof(out_.return_msg) - 1] = '\0';
    lastReturnMessage_ = out_.return_msg;

    if (cmd == PF_Cmd_GLOBAL_SETUP || cmd == PF_Cmd_GLOBAL_SETDOWN) in_.global_data = out_.global_data;
    if (cmd == PF_Cmd_SEQUENCE_SETUP || cmd == PF_Cmd_SEQUENCE_RESETUP || cmd == PF_Cmd_SEQUENCE_FLATTEN ||
        cmd == PF_Cmd_SEQUENCE_SETDOWN)
        in_.sequence_data = out_.sequence_data;
    if (cmd == PF_Cmd_PARAMS_SETUP && out_.num_params > 0) in_.num_params = out_.num_params;
    return err;
}

}  // namespace host
