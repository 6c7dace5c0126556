// Registry.mm — the I/O registry the tests describe, walked through IOKit's calls.
#import <Foundation/Foundation.h>

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "IOKit/IOKitLib.h"
#include "MacStandIn.h"
#include "Metal.h"
#include "RegistryHoldings.h"

namespace {

// What IOObjectRelease says of an object it does not know (kIOReturnBadArgument).
constexpr kern_return_t kBadArgument = static_cast<kern_return_t>(0xE00002C2);

struct IOObjectEntry {
    bool iterator = false;
    std::vector<MacStandIn::Accelerator> services;  // an iterator's, as the registry was when it was made
    size_t next = 0;
    MacStandIn::Accelerator service;  // a service's
};

std::mutex g_lock;
std::optional<MacStandIn::Registry> g_registry;  // none: the default
std::map<io_object_t, IOObjectEntry> g_objects;
io_object_t g_lastObject = 0x100;
std::map<CFTypeRef, long> g_properties;  // property dictionaries -> references still out
std::string g_lastMatchedClass;

// One accelerator: the device the Metal stand-in runs on.
MacStandIn::Registry defaultRegistry() {
    MacStandIn::Registry registry;
    MacStandIn::Accelerator accelerator;
    if (MTL::Device* device = MTL::CreateSystemDefaultDevice()) {
        accelerator.model = device->name()->utf8String();
        device->release();
    }
    registry.accelerators.push_back(accelerator);
    return registry;
}

const MacStandIn::Registry& registryLocked() {
    if (!g_registry) g_registry = defaultRegistry();
    return *g_registry;
}

io_object_t addObjectLocked(IOObjectEntry entry) {
    g_objects[++g_lastObject] = std::move(entry);
    return g_lastObject;
}

NSString* newString(const std::string& text) {
    return [[NSString alloc] initWithBytes:text.data() length:text.size() encoding:NSUTF8StringEncoding];
}

}  // namespace

const mach_port_t kIOMainPortDefault = 0;

CFMutableDictionaryRef IOServiceMatching(const char* name) {
    if (!name) return nullptr;
    NSMutableDictionary* matching = [[NSMutableDictionary alloc] init];
    NSString* className = newString(name);
    [matching setObject:className forKey:@"IOProviderClass"];
    [className release];
    return (__bridge CFMutableDictionaryRef)matching;
}

kern_return_t IOServiceGetMatchingServices(mach_port_t, CFDictionaryRef matching, io_iterator_t* existing) {
    std::string className;
    if (matching) {
        NSString* name = [(__bridge NSDictionary*)matching objectForKey:@"IOProviderClass"];
        if ([name isKindOfClass:[NSString class]]) className = [name UTF8String];
        CFRelease(matching);
    }
    std::lock_guard<std::mutex> guard(g_lock);
    g_lastMatchedClass = className;
    if (existing) *existing = IO_OBJECT_NULL;
    const MacStandIn::Registry& registry = registryLocked();
    if (registry.servicesError != 0) return registry.servicesError;
    if (!existing) return kBadArgument;
    IOObjectEntry iterator;
    iterator.iterator = true;
    if (className == "IOAccelerator") iterator.services = registry.accelerators;
    *existing = addObjectLocked(std::move(iterator));
    return KERN_SUCCESS;
}

io_object_t IOIteratorNext(io_iterator_t iterator) {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_objects.find(iterator);
    if (it == g_objects.end() || !it->second.iterator) return IO_OBJECT_NULL;
    IOObjectEntry& walk = it->second;
    if (walk.next >= walk.services.size()) return IO_OBJECT_NULL;
    IOObjectEntry service;
    service.service = walk.services[walk.next++];
    return addObjectLocked(std::move(service));
}

kern_return_t IORegistryEntryCreateCFProperties(io_registry_entry_t entry, CFMutableDictionaryRef* properties,
                                                CFAllocatorRef, IOOptionBits) {
    MacStandIn::Accelerator service;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        auto it = g_objects.find(entry);
        if (it == g_objects.end() || it->second.iterator || !properties) return kBadArgument;
        service = it->second.service;
    }
    if (service.propertiesError != 0) return service.propertiesError;

    NSMutableDictionary* made = [[NSMutableDictionary alloc] init];
    [made setObject:@"IOAccelerator" forKey:@"IOProviderClass"];
    if (service.model) {
        if (service.modelAsData) {
            NSData* bytes = [[NSData alloc] initWithBytes:service.model->c_str() length:service.model->size() + 1];
            [made setObject:bytes forKey:@"model"];
            [bytes release];
        } else {
            NSString* model = newString(*service.model);
            [made setObject:model forKey:@"model"];
            [model release];
        }
    }
    *properties = (__bridge CFMutableDictionaryRef)made;
    MacStandIn::detail::propertiesHandedOut(*properties);
    return KERN_SUCCESS;
}

kern_return_t IOObjectRelease(io_object_t object) {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_objects.erase(object) == 1 ? KERN_SUCCESS : kBadArgument;
}

namespace MacStandIn {

namespace detail {

void propertiesHandedOut(CFTypeRef dictionary) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_properties[dictionary] += 1;
}

void propertiesReleased(CFTypeRef object) {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = g_properties.find(object);
    if (it == g_properties.end()) return;
    if (--it->second == 0) g_properties.erase(it);
}

}  // namespace detail

void setRegistry(const Registry& registry) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_registry = registry;
    g_lastMatchedClass.clear();
}

void resetRegistry() {
    std::lock_guard<std::mutex> guard(g_lock);
    g_registry.reset();
    g_lastMatchedClass.clear();
}

RegistryHoldings registryHoldings() {
    std::lock_guard<std::mutex> guard(g_lock);
    RegistryHoldings holdings;
    for (const auto& [number, entry] : g_objects) (entry.iterator ? holdings.iterators : holdings.services) += 1;
    for (const auto& [dictionary, references] : g_properties) holdings.properties += references;
    holdings.lastMatchedClass = g_lastMatchedClass;
    return holdings;
}

}  // namespace MacStandIn
