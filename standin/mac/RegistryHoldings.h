// RegistryHoldings.h — how the I/O-registry and CoreFoundation calls of the stand-in share the count of
// property dictionaries handed out and not given back.
#ifndef MORPHALITH_STANDIN_MAC_REGISTRY_HOLDINGS_H
#define MORPHALITH_STANDIN_MAC_REGISTRY_HOLDINGS_H

#include "CoreFoundation/CoreFoundation.h"

namespace MacStandIn::detail {

// A property dictionary the registry handed out (one reference, the caller's).
void propertiesHandedOut(CFTypeRef dictionary);
// Called for every CFRelease: when the object is such a dictionary, one reference came back.
void propertiesReleased(CFTypeRef object);

}  // namespace MacStandIn::detail

#endif  // MORPHALITH_STANDIN_MAC_REGISTRY_HOLDINGS_H
