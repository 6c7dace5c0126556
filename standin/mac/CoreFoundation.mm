// CoreFoundation.mm — CoreFoundation's dictionary and reference calls over the Foundation objects
// they are bridged to.
#import <Foundation/Foundation.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "CoreFoundation/CoreFoundation.h"
#include "RegistryHoldings.h"

const CFAllocatorRef kCFAllocatorDefault = nullptr;

const void* CFDictionaryGetValue(CFDictionaryRef dictionary, const void* key) {
    if (!dictionary || !key) return nullptr;
    return (__bridge const void*)[(__bridge NSDictionary*)dictionary objectForKey:(__bridge id)key];
}

void CFRelease(CFTypeRef object) {
    if (!object) {
        std::fprintf(stderr, "macOS stand-in: CFRelease of a null object\n");
        std::abort();
    }
    MacStandIn::detail::propertiesReleased(object);
    [(__bridge id)object release];
}

CFStringRef __CFStringMakeConstantString(const char* text) {
    static std::mutex lock;
    static std::map<std::string, NSString*>* constants = new std::map<std::string, NSString*>;
    std::lock_guard<std::mutex> guard(lock);
    NSString*& constant = (*constants)[text];
    if (!constant) constant = [[NSString alloc] initWithUTF8String:text];
    return (__bridge CFStringRef)constant;
}
