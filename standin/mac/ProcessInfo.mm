// ProcessInfo.mm — the macOS version the process information reports.
#import <Foundation/Foundation.h>

#include <atomic>
#include <mutex>

#include "CocoaAdditions.h"
#include "MacStandIn.h"

namespace {

std::mutex g_lock;
MacStandIn::SystemVersion g_version;

}  // namespace

namespace MacStandIn {

void setSystemVersion(SystemVersion version) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_version = version;
}

SystemVersion systemVersion() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_version;
}

}  // namespace MacStandIn

@implementation NSProcessInfo (MacStandIn)

- (NSOperatingSystemVersion)operatingSystemVersion {
    const MacStandIn::SystemVersion version = MacStandIn::systemVersion();
    return NSOperatingSystemVersion{version.major, version.minor, version.patch};
}

- (BOOL)isOperatingSystemAtLeastVersion:(NSOperatingSystemVersion)wanted {
    const NSOperatingSystemVersion running = [self operatingSystemVersion];
    if (running.majorVersion != wanted.majorVersion) return running.majorVersion > wanted.majorVersion;
    if (running.minorVersion != wanted.minorVersion) return running.minorVersion > wanted.minorVersion;
    return running.patchVersion >= wanted.patchVersion;
}

@end
