// Host.h — the headless stand-in host: loads the module, serves the suites and callbacks the module
// calls, keeps the project, and drives commands with real PF_InData / PF_OutData records.
//
// The suites are plain C tables with no context, so one Host is in service per process at a time.
#ifndef MORPHALITH_HOST_HOST_H
#define MORPHALITH_HOST_HOST_H

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PF_Effect.h"
#include "host/CallTrace.h"
#include "host/CustomUI.h"
#include "host/HandleStore.h"
#include "host/MainQueue.h"
#include "host/Panel.h"
#include "host/PluginModule.h"
#include "host/Project.h"
#include "host/SuiteRegistry.h"

namespace host {

class Host {
public:
    explicit Host(std::string modulePath = defaultModulePath());
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    static Host* current();
    // The module this build made, or $MORPHALITH_MODULE when set.
    static std::string defaultModulePath();

    // Loads and registers the module; false with error() set on failure.
    bool load();
    const std::string& error() const { return error_; }

    // Runs one command through EffectMain. The records persist between commands as a host keeps
    // them: global and sequence data handed back by the module are passed in again.
    PF_Err command(PF_Cmd cmd, void* extra = nullptr, PF_LayerDef* output = nullptr);

    // The parameter indices whose values the module changed in the last command's parameter array.
    const std::vector<int>& changedValues() const { return changedValues_; }
    // The out flags the module declared at global set-up (whether it wants PF_Cmd_UPDATE_PARAMS_UI
    // after parameter changes, say).
    A_long globalOutFlags() const { return globalOutFlags_; }

    // Runs one command with records the caller keeps (a render thread's own), leaving the host's
    // records as they are; what the module printed is not captured. Render commands may run so from
    // several threads at once. `params` is the parameter array a user-interface command comes with.
    PF_Err commandWith(PF_Cmd cmd, PF_InData* in, PF_OutData* out, void* extra = nullptr,
                       PF_LayerDef* output = nullptr, PF_ParamDef** params = nullptr);

    // ---- Balance after every command ----
    // After each command the host compares what the command's thread holds (suites, handle locks,
    // check-outs, references, undo groups: see Holdings.h) with what it held before; a difference
    // goes to the handler, one line naming the command. The test suite installs one that fails the
    // running test; without one nothing is checked.
    static void setBalanceHandler(std::function<void(const std::string&)> handler);
    // For a test that leaves something held on purpose.
    void setBalanceCheck(bool on) { balanceCheck_ = on; }

    // ---- Effect instances ----
    // The host's first instance of the effect is its own records (inData()) with the project's
    // streams. More instances share the module's global data, panel and composition, each with its
    // own reference (in_data->effect_ref), parameter streams and sequence data. The suites answer
    // every call for the instance whose reference it names.
    //
    // Adds an instance with a saved state, as a project reopened with it does: a copy of the streams,
    // and the saved sequence bytes handed to the module through PF_Cmd_SEQUENCE_RESETUP. Returns its
    // reference, or null with the module's error in *err.
    PF_ProgPtr addInstance(const SavedProject& saved, PF_Err* err);
    // Sets the instance's sequence data down (PF_Cmd_SEQUENCE_SETDOWN) and forgets it.
    PF_Err removeInstance(PF_ProgPtr instance);
    // Records for a command to an instance: the host's own with its reference and sequence data.
    PF_InData inDataFor(PF_ProgPtr instance);
    // The streams and sequence data of the instance a reference names (null names the first one);
    // false for a reference that names none.
    bool isInstance(const void* instance) const;
    std::vector<Stream>* streamsOf(const void* instance);
    PF_Handle sequenceDataOf(const void* instance) const;

    PF_InData& inData() { return in_; }
    PF_OutData& outData() { return out_; }
    // The return message of the last command, and what the module printed during it.
    std::string returnMessage() const { return lastReturnMessage_; }
    std::string printed() const { return lastPrinted_; }
    void setCaptureOutput(bool capture) { capture_ = capture; }

    // Test hook: the next call of the named host function fails with that error; with `skip`, the call
    // after that many more calls of it.
    void failNext(const std::string& function, A_Err err, int skip = 0) {
        std::lock_guard<std::mutex> lock(faultsLock_);
        faults_[function] = Fault{err, skip};
        faultsPending_ = (int)faults_.size();
    }
    // The injected error for this call, or 0 (and it is spent); the call is traced either way.
    A_Err hostCall(const std::string& function);

    // ---- Project save and reopen ----
    // Saving asks the module for its flattened sequence data and keeps those bytes with the streams.
    PF_Err saveProject(SavedProject* saved);
    // Reopening sets down the live instance's sequence data, restores the streams and hands the saved
    // bytes back through PF_Cmd_SEQUENCE_RESETUP (no bytes: no incoming sequence data).
    PF_Err reopenProject(const SavedProject& saved);
    // The live instance's sequence-data bytes (empty when it has none).
    std::vector<unsigned char> sequenceBytes() const;

    // ---- The main dispatch queue (a module built with the macOS bodies) ----
    // After every command that returns on the main thread the host runs what the module queued there,
    // as an application's run loop does (MainQueue.h); a command on another thread leaves it queued
    // until then. Returns the number of blocks run.
    int runMainQueue();

    // ---- Debug-text window ----
    // The texts the module showed in its debug-text window, oldest first.
    std::vector<std::string> debugTexts() const;
    void clearDebugTexts();

    PluginModule& module() { return module_; }
    SuiteRegistry& suites() { return suites_; }
    HandleStore& handles() { return handles_; }
    Project& project() { return project_; }
    Panel& panel() { return panel_; }
    // The windows the effect draws into, and the interface suites behind them.
    CustomUI& ui() { return ui_; }
    CallTrace& trace() { return trace_; }
    void setTraceEcho(bool echo) { trace_.setEcho(echo); }

private:
    void registerSuites();

    std::string modulePath_, error_;
    CallTrace trace_;
    SuiteRegistry suites_;
    HandleStore handles_;
    Project project_;
    Panel panel_;
    CustomUI ui_{*this};
    PluginModule module_;
    MainQueue mainQueue_;
    std::string debugSinkPath_;
    PF_UtilCallbacks utils_{};
    PF_InData in_{};
    PF_OutData out_{};
    std::mutex faultsLock_;  // host calls arrive from render threads too
    struct Fault {
        A_Err err;
        int skip;  // calls still to pass before it
    };
    std::map<std::string, Fault> faults_;
    std::atomic<int> faultsPending_{0};  // without any, a host call takes no lock
    std::string lastReturnMessage_, lastPrinted_;
    bool capture_ = true;
    bool balanceCheck_ = true;
    int effectToken_ = 0;
    std::vector<int> changedValues_;
    A_long globalOutFlags_ = 0;

    // Further instances; each one's address is its reference.
    struct Instance {
        std::vector<Stream> streams;
        PF_Handle sequenceData = nullptr;
    };
    mutable std::mutex instancesLock_;
    std::map<const void*, std::unique_ptr<Instance>> instances_;
};

}  // namespace host

#endif  // MORPHALITH_HOST_HOST_H
