// MachineInfo_Mac.mm — the macOS body of Machine::GetDeviceInfo: the system version from the process
// information, the GPU's model from the I/O registry's accelerators.
#import <Foundation/Foundation.h>
#if defined(GNUSTEP)
#import "CocoaAdditions.h"  // what GNUstep lacks of the process information below
#endif
#include <IOKit/IOKitLib.h>

#include <cstring>
#include <string>

#include "CocoaText.h"
#include "Headers/LogsController.h"
#include "render/Headers/MachineInfo.h"

// The run-time availability test. Off Darwin @available holds whatever the system, so under GNUstep
// the process information answers for the macOS version instead.
#if defined(__APPLE__)
#define MRPH_RUNNING_MACOS_12_OR_LATER @available(macOS 12.0, *)
#else
#define MRPH_RUNNING_MACOS_12_OR_LATER \
    [[NSProcessInfo processInfo] isOperatingSystemAtLeastVersion:(NSOperatingSystemVersion){12, 0, 0}]
#endif

namespace Machine {

namespace {

// A registry object (iterator or service) given back on every way out of the walk.
class HeldIOObject {
public:
    explicit HeldIOObject(io_object_t object) : object_(object) {}
    ~HeldIOObject() {
        if (object_ != IO_OBJECT_NULL) IOObjectRelease(object_);
    }
    HeldIOObject(const HeldIOObject&) = delete;
    HeldIOObject& operator=(const HeldIOObject&) = delete;
    io_object_t get() const { return object_; }

private:
    io_object_t object_;
};

// A property dictionary the registry made for us, given back on every way out.
class HeldProperties {
public:
    explicit HeldProperties(CFMutableDictionaryRef properties) : properties_(properties) {}
    ~HeldProperties() {
        if (properties_) CFRelease(properties_);
    }
    HeldProperties(const HeldProperties&) = delete;
    HeldProperties& operator=(const HeldProperties&) = delete;

private:
    CFMutableDictionaryRef properties_;
};

// The "model" value as text: a string object as it is, a data object (as some drivers publish the
// name) as its bytes up to the first zero; false for a value of any other kind.
bool modelText(const void* model, std::string* text) {
    id value = (__bridge id)model;
    if ([value isKindOfClass:[NSString class]]) {
        *text = utf8Text((NSString*)value);
        return true;
    }
    if ([value isKindOfClass:[NSData class]]) {
        const char* bytes = static_cast<const char*>([(NSData*)value bytes]);
        const size_t length = bytes ? [(NSData*)value length] : 0;
        *text = std::string(bytes, bytes ? strnlen(bytes, length) : 0);
        return true;
    }
    return false;
}

// Walks the "IOAccelerator" services; each model read becomes the GPU name, so the last one walked
// stays. False when the walk was cut short (after its error line): the summary line is then left out.
// The registry's main port is there from macOS 12.0 on: called only where the system is that new.
API_AVAILABLE(macos(12.0)) bool readAcceleratorModels(SystemInfo* info) {
    io_iterator_t iterator = IO_OBJECT_NULL;
    // The matching dictionary is the query's to give back.
    const kern_return_t query =
        IOServiceGetMatchingServices(kIOMainPortDefault, IOServiceMatching("IOAccelerator"), &iterator);
    if (query != KERN_SUCCESS) {
        MRPH_LOG_ERROR_IN("GetDeviceInfo", "Failed to retrieve accelerator services: " + std::to_string(query));
        return true;
    }
    const HeldIOObject walk(iterator);
    while (io_object_t next = IOIteratorNext(walk.get())) {
        const HeldIOObject service(next);
        CFMutableDictionaryRef properties = nullptr;
        const kern_return_t read =
            IORegistryEntryCreateCFProperties(service.get(), &properties, kCFAllocatorDefault, 0);
        const HeldProperties held(read == KERN_SUCCESS ? properties : nullptr);
        if (read != KERN_SUCCESS || !properties) {
            MRPH_LOG_ERROR_IN("GetDeviceInfo", "Failed to retrieve accelerator properties: " + std::to_string(read));
            return false;
        }
        std::string model;
        const void* value = CFDictionaryGetValue(properties, CFSTR("model"));
        if (!value || !modelText(value, &model)) {
            MRPH_LOG_ERROR_IN("GetDeviceInfo", "Failed to retrieve device name");
            return false;
        }
        info->gpuName = model;
    }
    return true;
}

void describeMachine(short major, short minor, SystemInfo* info) {
    info->hostVersion = hostVersionText(major, minor);

    // A struct from a message to nil is not zeroed: the process information is asked only when it is there.
    NSOperatingSystemVersion version = {0, 0, 0};
    if (NSProcessInfo* processInfo = [NSProcessInfo processInfo]) version = [processInfo operatingSystemVersion];
    NSString* text = [NSString stringWithFormat:@"%ld.%ld.%ld", (long)version.majorVersion,
                                                (long)version.minorVersion, (long)version.patchVersion];
    info->osVersion = utf8Text(text);
    spdlog_log("Current macOS version: " + info->osVersion);

    if (MRPH_RUNNING_MACOS_12_OR_LATER) {
        if (!readAcceleratorModels(info)) return;
    } else {
        // The registry's main port is there from macOS 12.0 on.
        info->osVersion = "< 12.0";
        info->gpuName = "Unknown";
    }
    spdlog_log("GPU: " + info->gpuName + ", OS: " + info->osVersion);
}

}  // namespace

void GetDeviceInfo(short major, short minor, SystemInfo* info, int /*framework*/, void* /*device*/) {
    if (!info) return;
    // The host's thread may have no autorelease pool of its own.
    @autoreleasepool {
        try {
            @try {
                describeMachine(major, minor, info);
            } @catch (NSException* e) {
                // Set-up goes on whatever the system answers.
                MRPH_LOG_ERROR_IN("GetDeviceInfo", "Exception caught: " + exceptionText(e));
            }
        } catch (...) {
            // A string that cannot be built leaves the record as it was; set-up goes on.
        }
    }
}

}  // namespace Machine
