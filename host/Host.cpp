#include "host/Host.h"

#include "PF_Param.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "host/Holdings.h"
#include "host/HostSuites.h"
#include "host/ParamArray.h"
#include "host/ParamCheckout.h"
#include "host/OutputCapture.h"
#include "Utf16Text.h"

#if defined(_WIN32)
// The Windows test host (tests/win) has the C runtime's environment calls only.
namespace {
int setenv(const char* name, const char* value, int) { return _putenv_s(name, value); }
int unsetenv(const char* name) { return _putenv_s(name, ""); }
}  // namespace
#endif

namespace host {

namespace {

Host* g_host = nullptr;

// Made on first use: a test's static initialiser may install a handler before this file's globals.
std::mutex& balanceLock() {
    static std::mutex lock;
    return lock;
}
std::function<void(const std::string&)>& balanceHandler() {
    static std::function<void(const std::string&)> handler;
    return handler;
}

// A module inside a bundle is reported as the bundle, as a bundle-loading host does.
std::string reportedModulePath(const std::string& modulePath) {
    size_t contents = modulePath.rfind(".plugin/Contents/");
    return contents == std::string::npos ? modulePath : modulePath.substr(0, contents + 7);
}

PF_Err GetPlatformData(PF_ProgPtr, PF_PlatDataID which, void* data) {
    if (!g_host || !data) return PF_Err_BAD_CALLBACK_PARAM;
    if (A_Err err = g_host->hostCall("get_platform_data")) return err;
    if (which == PF_PlatData_EXE_FILE_PATH_W || which == PF_PlatData_RES_FILE_PATH_W) {
        std::vector<A_UTF16Char> path = utf::utf8ToUtf16(reportedModulePath(g_host->module().path()));
        std::memcpy(data, path.data(), path.size() * sizeof(A_UTF16Char));
        return PF_Err_NONE;
    }
    return PF_Err_BAD_CALLBACK_PARAM;
}

PF_Err AddParam(PF_ProgPtr, A_long index, PF_ParamDef* def) {
    if (!g_host || !def) return PF_Err_BAD_CALLBACK_PARAM;
    if (A_Err err = g_host->hostCall("add_param")) return err;
    // Only appending is supported: that is how every effect declares its panel.
    if (index != -1 && index != static_cast<A_long>(g_host->panel().size())) return PF_Err_INVALID_INDEX;
    int added = g_host->panel().add(*def);
    std::vector<Stream>& streams = g_host->project().streams;
    if (added >= static_cast<int>(streams.size())) streams.resize(added + 1);
    streams[added] = streamFromDefinition(*def);
    return PF_Err_NONE;
}

PF_Err RegisterUI(PF_ProgPtr, PF_CustomUIInfo* info) {
    if (!g_host || !info) return PF_Err_BAD_CALLBACK_PARAM;
    if (A_Err err = g_host->hostCall("register_ui")) return err;
    g_host->panel().customUI.push_back(*info);
    return PF_Err_NONE;
}

std::string makeDebugSinkPath() {
    static int counter = 0;
#if defined(_WIN32)
    const char* tmp = std::getenv("TEMP");
#else
    const char* tmp = std::getenv("TMPDIR");
#endif
    std::string dir = tmp && *tmp ? tmp : "/tmp";
    return dir + "/morphalith-debug-text-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
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
    in_.inter.add_param = AddParam;
    in_.inter.register_ui = RegisterUI;
    installParamCheckout(&in_.inter);

    // The debug-text window of the Linux module writes to the file this variable names.
    debugSinkPath_ = makeDebugSinkPath();
    std::remove(debugSinkPath_.c_str());
    setenv("MORPHALITH_DEBUG_TEXT_SINK", debugSinkPath_.c_str(), 1);

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
    mainQueue_.detach();
    module_.unload();
    std::remove(debugSinkPath_.c_str());
    const char* sink = std::getenv("MORPHALITH_DEBUG_TEXT_SINK");
    if (sink && debugSinkPath_ == sink) unsetenv("MORPHALITH_DEBUG_TEXT_SINK");
    if (g_host == this) g_host = nullptr;
}

bool Host::load() {
    if (!module_.load(modulePath_, suites_.basic())) {
        error_ = module_.error();
        return false;
    }
    in_.num_params = 1;
    mainQueue_.attach(module_);
    return true;
}

int Host::runMainQueue() {
    const int ran = mainQueue_.run();
    if (ran > 0) trace_.record("main queue: " + std::to_string(ran) + (ran == 1 ? " block" : " blocks"));
    return ran;
}

A_Err Host::hostCall(const std::string& function) {
    trace_.record(function);
    if (faultsPending_.load() == 0) return A_Err(0);
    std::lock_guard<std::mutex> lock(faultsLock_);
    auto it = faults_.find(function);
    if (it == faults_.end()) return A_Err(0);
    if (it->second.skip > 0) {
        it->second.skip -= 1;
        return A_Err(0);
    }
    A_Err err = it->second.err;
    faults_.erase(it);
    faultsPending_ = (int)faults_.size();
    return err;
}

void Host::setBalanceHandler(std::function<void(const std::string&)> handler) {
    std::lock_guard<std::mutex> lock(balanceLock());
    balanceHandler() = std::move(handler);
}

PF_Err Host::commandWith(PF_Cmd cmd, PF_InData* in, PF_OutData* out, void* extra, PF_LayerDef* output,
                         PF_ParamDef** params) {
    if (!module_.effectMain()) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    trace_.record("command " + std::to_string(cmd));
    const Holdings before = threadHoldings();
    PF_Err err = module_.effectMain()(cmd, in, out, params, output, extra);
    out->return_msg[sizeof(out->return_msg) - 1] = '\0';
    if (balanceCheck_) {
        const std::string left = describeImbalance(before, threadHoldings());
        std::lock_guard<std::mutex> lock(balanceLock());
        if (!left.empty() && balanceHandler())
            balanceHandler()("command " + std::to_string(cmd) + " (returned " + std::to_string(err) + ") left " + left);
    }
    runMainQueue();
    return err;
}

PF_Err Host::command(PF_Cmd cmd, void* extra, PF_LayerDef* output) {
    if (!module_.effectMain()) {
        error_ = "no module loaded";
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    // A fresh output record per command; what the module hands back is kept for the next one.
    A_u_long version = out_.my_version;
    std::memset(&out_, 0, sizeof(out_));
    out_.my_version = version;
    out_.global_data = in_.global_data;
    out_.sequence_data = in_.sequence_data;
    PF_Handle before = in_.sequence_data;
    if (cmd == PF_Cmd_PARAMS_SETUP) panel_.reset();

    // User-interface commands come with the parameter array, as the panel stands now.
    std::unique_ptr<ParamArray> params;
    if (commandHasParamArray(cmd) && panel_.size() > 1) params = std::make_unique<ParamArray>(panel_, project_.streams);
    PF_ParamDef** paramList = params ? params->get() : nullptr;

    PF_Err err;
    if (capture_) {
        OutputCapture capture;
        err = commandWith(cmd, &in_, &out_, extra, output, paramList);
        lastPrinted_ = capture.finish();
    } else {
        err = commandWith(cmd, &in_, &out_, extra, output, paramList);
        lastPrinted_.clear();
    }
    changedValues_.clear();
    if (params) changedValues_ = params->applyTo(panel_, project_.streams);
    // An undo step cannot stay open across commands: the host closes it and counts the fault.
    UndoHistory& undo = project_.undo;
    undo.leftOpen += static_cast<int>(undo.open.size());
    threadHoldings().undoGroups -= static_cast<int>(undo.open.size());
    undo.open.clear();
    lastReturnMessage_ = out_.return_msg;

    if (cmd == PF_Cmd_GLOBAL_SETUP) in_.global_data = out_.global_data;
    if (cmd == PF_Cmd_GLOBAL_SETUP) globalOutFlags_ = out_.out_flags;
    if (cmd == PF_Cmd_GLOBAL_SETDOWN) in_.global_data = nullptr;  // gone, whatever the module answered
    if (cmd == PF_Cmd_SEQUENCE_SETUP) in_.sequence_data = out_.sequence_data;
    if (cmd == PF_Cmd_SEQUENCE_SETDOWN) in_.sequence_data = nullptr;
    if ((cmd == PF_Cmd_SEQUENCE_RESETUP || cmd == PF_Cmd_SEQUENCE_FLATTEN) && out_.sequence_data != before) {
        // The module made a new record; the one it was given is the host's to free.
        if (before) handles_.dispose(before);
        in_.sequence_data = out_.sequence_data;
    }
    if (cmd == PF_Cmd_PARAMS_SETUP && out_.num_params > 0) in_.num_params = out_.num_params;
    return err;
}

std::vector<unsigned char> Host::sequenceBytes() const {
    std::vector<unsigned char> bytes;
    if (!in_.sequence_data || !handles_.owns(in_.sequence_data)) return bytes;
    auto* block = static_cast<const unsigned char*>(handles_.block(in_.sequence_data));
    bytes.assign(block, block + handles_.size(in_.sequence_data));
    return bytes;
}

PF_Err Host::saveProject(SavedProject* saved) {
    *saved = SavedProject{};
    if (in_.sequence_data) {
        if (PF_Err err = command(PF_Cmd_SEQUENCE_FLATTEN)) return err;
        saved->hasSequenceData = in_.sequence_data != nullptr;
        saved->sequenceData = sequenceBytes();
    }
    saved->streams = project_.streams;
    return PF_Err_NONE;
}

PF_Err Host::reopenProject(const SavedProject& saved) {
    if (in_.sequence_data) {
        if (PF_Err err = command(PF_Cmd_SEQUENCE_SETDOWN)) return err;
    }
    project_.streams = saved.streams;
    PF_Handle stored = nullptr;
    if (saved.hasSequenceData) {
        stored = handles_.create(saved.sequenceData.size());
        if (!stored) return PF_Err_OUT_OF_MEMORY;
        if (!saved.sequenceData.empty())
            std::memcpy(handles_.block(stored), saved.sequenceData.data(), saved.sequenceData.size());
    }
    in_.sequence_data = stored;
    PF_Err err = command(PF_Cmd_SEQUENCE_RESETUP);
    // On failure the module made nothing: the stored copy is dropped and the instance has no data.
    if (in_.sequence_data == stored && stored) {
        handles_.dispose(stored);
        in_.sequence_data = nullptr;
    }
    return err;
}

PF_ProgPtr Host::addInstance(const SavedProject& saved, PF_Err* err) {
    auto instance = std::make_unique<Instance>();
    instance->streams = saved.streams;
    Instance* ref = instance.get();
    PF_Handle stored = nullptr;
    if (saved.hasSequenceData) {
        stored = handles_.create(saved.sequenceData.size());
        if (!stored) {
            *err = PF_Err_OUT_OF_MEMORY;
            return nullptr;
        }
        if (!saved.sequenceData.empty())
            std::memcpy(handles_.block(stored), saved.sequenceData.data(), saved.sequenceData.size());
    }
    {
        std::lock_guard<std::mutex> lock(instancesLock_);
        instances_[ref] = std::move(instance);
    }
    PF_InData in = inDataFor(ref);
    in.sequence_data = stored;
    PF_OutData out{};
    out.my_version = out_.my_version;
    out.global_data = in.global_data;
    out.sequence_data = stored;
    *err = commandWith(PF_Cmd_SEQUENCE_RESETUP, &in, &out);
    // As for a reopened project: a new record replaces the stored copy, which is the host's to free;
    // on failure the module made nothing and the instance has no data.
    if (out.sequence_data != stored && stored) handles_.dispose(stored);
    if (out.sequence_data == stored && stored && *err) {
        handles_.dispose(stored);
        out.sequence_data = nullptr;
    }
    if (*err) {
        std::lock_guard<std::mutex> lock(instancesLock_);
        instances_.erase(ref);
        return nullptr;
    }
    ref->sequenceData = out.sequence_data;
    return ref;
}

PF_Err Host::removeInstance(PF_ProgPtr instance) {
    if (!isInstance(instance) || instance == in_.effect_ref) return PF_Err_BAD_CALLBACK_PARAM;
    PF_InData in = inDataFor(instance);
    PF_OutData out{};
    out.my_version = out_.my_version;
    out.global_data = in.global_data;
    out.sequence_data = in.sequence_data;
    const PF_Err err = commandWith(PF_Cmd_SEQUENCE_SETDOWN, &in, &out);
    std::lock_guard<std::mutex> lock(instancesLock_);
    instances_.erase(instance);
    return err;
}

PF_InData Host::inDataFor(PF_ProgPtr instance) {
    PF_InData in = in_;
    in.effect_ref = instance ? instance : in_.effect_ref;
    in.sequence_data = sequenceDataOf(instance);
    return in;
}

bool Host::isInstance(const void* instance) const {
    if (!instance || instance == in_.effect_ref) return true;
    std::lock_guard<std::mutex> lock(instancesLock_);
    return instances_.count(instance) != 0;
}

std::vector<Stream>* Host::streamsOf(const void* instance) {
    if (!instance || instance == in_.effect_ref) return &project_.streams;
    std::lock_guard<std::mutex> lock(instancesLock_);
    auto it = instances_.find(instance);
    return it == instances_.end() ? nullptr : &it->second->streams;
}

PF_Handle Host::sequenceDataOf(const void* instance) const {
    if (!instance || instance == in_.effect_ref) return in_.sequence_data;
    std::lock_guard<std::mutex> lock(instancesLock_);
    auto it = instances_.find(instance);
    return it == instances_.end() ? nullptr : it->second->sequenceData;
}

std::vector<std::string> Host::debugTexts() const {
    std::vector<std::string> texts;
    std::ifstream file(debugSinkPath_, std::ios::binary);
    if (!file) return texts;
    std::stringstream all;
    all << file.rdbuf();
    const std::string data = all.str();
    size_t pos = 0;
    while (pos < data.size()) {
        size_t eol = data.find('\n', pos);
        if (eol == std::string::npos) break;
        size_t length = std::strtoull(data.substr(pos, eol - pos).c_str(), nullptr, 10);
        if (eol + 1 + length > data.size()) break;
        texts.push_back(data.substr(eol + 1, length));
        pos = eol + 1 + length + 1;
    }
    return texts;
}

void Host::clearDebugTexts() { std::remove(debugSinkPath_.c_str()); }

}  // namespace host
