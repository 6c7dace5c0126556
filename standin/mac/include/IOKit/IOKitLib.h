// IOKit/IOKitLib.h — the macOS stand-in's I/O registry: the service walk the macOS bodies make to name
// the GPU.
//
// The registry is the one the tests describe (MacStandIn.h: setRegistry); by default it holds one
// "IOAccelerator" service whose "model" is the Metal stand-in's device. Services and iterators are
// numbered objects given back with IOObjectRelease; the stand-in counts those not given back.
#ifndef MORPHALITH_STANDIN_MAC_IOKIT_LIB_H
#define MORPHALITH_STANDIN_MAC_IOKIT_LIB_H

#include <CoreFoundation/CoreFoundation.h>

#include "MacStandInApi.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int kern_return_t;
typedef kern_return_t IOReturn;
typedef unsigned int mach_port_t;
typedef mach_port_t io_object_t;
typedef io_object_t io_iterator_t;
typedef io_object_t io_service_t;
typedef io_object_t io_registry_entry_t;
typedef unsigned int IOOptionBits;

#define KERN_SUCCESS 0
#define kIOReturnSuccess KERN_SUCCESS
#define IO_OBJECT_NULL ((io_object_t)0)

// The port of the registry's main server (macOS 12.0 and later).
MAC_STANDIN_API extern const mach_port_t kIOMainPortDefault;

// A matching dictionary for services of the class (owned by the caller, unless given to
// IOServiceGetMatchingServices, which takes that reference).
MAC_STANDIN_API CFMutableDictionaryRef IOServiceMatching(const char* name);

// An iterator over the services that match, in the registry's order. Takes the matching dictionary's
// reference, whatever it returns.
MAC_STANDIN_API kern_return_t IOServiceGetMatchingServices(mach_port_t mainPort, CFDictionaryRef matching,
                                                           io_iterator_t* existing);

// The next service (owned by the caller), or IO_OBJECT_NULL at the end.
MAC_STANDIN_API io_object_t IOIteratorNext(io_iterator_t iterator);

// The entry's properties as a new dictionary (owned by the caller, given back with CFRelease).
MAC_STANDIN_API kern_return_t IORegistryEntryCreateCFProperties(io_registry_entry_t entry,
                                                                CFMutableDictionaryRef* properties,
                                                                CFAllocatorRef allocator, IOOptionBits options);

MAC_STANDIN_API kern_return_t IOObjectRelease(io_object_t object);

#ifdef __cplusplus
}
#endif

#endif  // MORPHALITH_STANDIN_MAC_IOKIT_LIB_H
