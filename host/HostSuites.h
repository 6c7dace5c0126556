// HostSuites.h — the suite tables the stand-in host serves, and its ANSI callbacks.
#ifndef MORPHALITH_HOST_HOST_SUITES_H
#define MORPHALITH_HOST_HOST_SUITES_H

#include "PF_Effect.h"

namespace host {

class SuiteRegistry;
class HandleStore;

// Offers every suite this host implements under each (name, version) it answers to.
void serveSuites(SuiteRegistry& registry, HandleStore& handles);
// The ANSI callbacks of PF_InData::utils.
PF_ANSICallbacks ansiCallbacks();

}  // namespace host

#endif  // MORPHALITH_HOST_HOST_SUITES_H
