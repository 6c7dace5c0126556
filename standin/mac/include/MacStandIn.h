// MacStandIn.h — the host's and the tests' side of the macOS stand-in: the registry the I/O-registry
// calls walk, the macOS version the process information reports, the main dispatch queue's run, and
// faults to inject. The macOS bodies never include this header: they see only what they would see on
// a Mac.
#ifndef MORPHALITH_STANDIN_MAC_MAC_STAND_IN_H
#define MORPHALITH_STANDIN_MAC_MAC_STAND_IN_H

#include <optional>
#include <string>
#include <vector>

#include "MacStandInApi.h"

namespace MacStandIn {

// ---- The I/O registry ------------------------------------------------------------------------------------
struct Accelerator {
    // The service's "model" property; none: the service has no "model".
    std::optional<std::string> model;
    // The model as a data object of its bytes (a trailing zero included) instead of a string object,
    // as some drivers publish it.
    bool modelAsData = false;
    // Non-zero: reading the service's properties fails with this code.
    int propertiesError = 0;
};

struct Registry {
    // Non-zero: the query for matching services fails with this code.
    int servicesError = 0;
    // The "IOAccelerator" services, in the registry's order.
    std::vector<Accelerator> accelerators;
};

// The registry from now on; resetRegistry() brings back the default (one accelerator whose model is
// the Metal stand-in's device name).
MAC_STANDIN_API void setRegistry(const Registry& registry);
MAC_STANDIN_API void resetRegistry();

// What the walks have left: iterators, services and property dictionaries handed out and not given
// back, and the class the last query asked for since the registry was set ("" for none).
struct RegistryHoldings {
    long iterators = 0, services = 0, properties = 0;
    std::string lastMatchedClass;
};
MAC_STANDIN_API RegistryHoldings registryHoldings();

// ---- The system --------------------------------------------------------------------------------------------
struct SystemVersion {
    long major = 14, minor = 0, patch = 0;
};
// The macOS version NSProcessInfo reports and the availability test compares with (14.0.0 until set).
MAC_STANDIN_API void setSystemVersion(SystemVersion version);
MAC_STANDIN_API SystemVersion systemVersion();

// ---- The main dispatch queue --------------------------------------------------------------------------------
// Runs what the main queue holds, oldest first, each block inside an autorelease pool, as the
// application's run loop does between events; blocks queued meanwhile run too. Only on the process's
// main thread: elsewhere nothing runs. The first run makes the shared application (NSApp) where there
// is none yet, as a host application has one. Returns the number of blocks run.
MAC_STANDIN_API int runMainQueue();
// Blocks waiting on the main queue.
MAC_STANDIN_API int mainQueueLength();

// ---- Faults --------------------------------------------------------------------------------------------------
// The next interface-file load (-[NSBundle loadNibNamed:owner:topLevelObjects:]) raises an NSException
// of this name and reason, as a Mac's does on a file its unarchiver cannot read. Null gives an
// exception without one, as a Mac's may be (GNUstep's own would answer "unspecified reason").
MAC_STANDIN_API void raiseInNextNibLoad(const char* name, const char* reason);
// The next interface-file load finds no file, as in a bundle without it.
MAC_STANDIN_API void failNextNibLoad();

}  // namespace MacStandIn

// runMainQueue for a host that looks it up by name in a module's libraries (dlsym), so that one host
// serves modules built with and without the macOS bodies.
extern "C" MAC_STANDIN_API int MacStandInRunMainQueue(void);

#endif  // MORPHALITH_STANDIN_MAC_MAC_STAND_IN_H
