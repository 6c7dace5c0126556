// CoreFoundation/CoreFoundation.h — the macOS stand-in's CoreFoundation: the few calls the macOS bodies
// make on the dictionaries the I/O registry hands out (GNUstep has no CoreFoundation).
//
// As on a Mac, a CoreFoundation object here is the Foundation object it is bridged to: a CFStringRef
// is an NSString, a CFDictionaryRef an NSDictionary, so `(__bridge NSString*)value` reads one. Owned
// references (from a Create or Copy call) are given back with CFRelease.
#ifndef MORPHALITH_STANDIN_MAC_CORE_FOUNDATION_H
#define MORPHALITH_STANDIN_MAC_CORE_FOUNDATION_H

#include "MacStandInApi.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef const void* CFTypeRef;
typedef const struct __CFString* CFStringRef;
typedef const struct __CFDictionary* CFDictionaryRef;
typedef struct __CFDictionary* CFMutableDictionaryRef;
typedef const struct __CFAllocator* CFAllocatorRef;

// The default allocator: null, as on a Mac.
MAC_STANDIN_API extern const CFAllocatorRef kCFAllocatorDefault;

// The value for the key (compared as a dictionary of Foundation compares its keys), or null.
MAC_STANDIN_API const void* CFDictionaryGetValue(CFDictionaryRef dictionary, const void* key);

// Gives one reference back. A null object stops the process, as it does on a Mac.
MAC_STANDIN_API void CFRelease(CFTypeRef object);

// The string constant CFSTR makes: one object per text, alive for the process.
MAC_STANDIN_API CFStringRef __CFStringMakeConstantString(const char* text);
#define CFSTR(text) __CFStringMakeConstantString("" text "")

#ifdef __cplusplus
}
#endif

#endif  // MORPHALITH_STANDIN_MAC_CORE_FOUNDATION_H
