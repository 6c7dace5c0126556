// Bundles.mm — a plug-in bundle laid out as on a Mac, and its interface files.
#import <AppKit/AppKit.h>

#include <dlfcn.h>

#include <mutex>
#include <optional>
#include <string>

#include "CocoaAdditions.h"
#include "MacStandIn.h"
#include "MethodSwap.h"

namespace {

struct NibFault {
    bool raises = false;  // else the file is not found
    std::optional<std::string> name, reason;
};
std::mutex g_lock;
std::optional<NibFault> g_nibFault;

std::optional<NibFault> takeNibFault() {
    std::lock_guard<std::mutex> guard(g_lock);
    std::optional<NibFault> fault = std::move(g_nibFault);
    g_nibFault.reset();
    return fault;
}

// The Contents folder of the bundle whose executable holds the class's code: X.plugin/Contents/MacOS/X
// (any folder in place of MacOS) gives X.plugin/Contents; nil for code outside such a bundle.
NSString* contentsFolderOfClass(Class cls) {
    Dl_info info{};
    if (!cls || dladdr((const void*)cls, &info) == 0 || !info.dli_fname || !*info.dli_fname) return nil;
    NSString* executable = [NSString stringWithUTF8String:info.dli_fname];
    if (![executable isAbsolutePath])
        executable = [[[NSFileManager defaultManager] currentDirectoryPath] stringByAppendingPathComponent:executable];
    NSString* contents = [[[executable stringByStandardizingPath] stringByDeletingLastPathComponent]
        stringByDeletingLastPathComponent];
    if (![[contents lastPathComponent] isEqualToString:@"Contents"]) return nil;
    if ([[[contents stringByDeletingLastPathComponent] pathExtension] length] == 0) return nil;
    return contents;
}

std::optional<std::string> given(const char* text) { return text ? std::optional<std::string>(text) : std::nullopt; }

NSString* newString(const std::optional<std::string>& text) {
    return text ? [[NSString alloc] initWithUTF8String:text->c_str()] : nil;
}

}  // namespace

// An exception as a Mac's Foundation makes one: its name and reason as given, nil included. GNUstep's
// own NSException answers "unspecified reason" for a reason it was not given.
@interface MacStandInException : NSException {
    NSString* givenName;
    NSString* givenReason;
}
- (id)initWithGivenName:(NSString*)name reason:(NSString*)reason;
@end

@implementation MacStandInException

- (id)initWithGivenName:(NSString*)name reason:(NSString*)reason {
    self = [super initWithName:@"MacStandInException" reason:nil userInfo:nil];
    if (!self) return nil;
    givenName = [name copy];
    givenReason = [reason copy];
    return self;
}

- (NSString*)name {
    return givenName;
}

- (NSString*)reason {
    return givenReason;
}

- (void)dealloc {
    [givenName release];
    [givenReason release];
    [super dealloc];
}

@end

namespace MacStandIn {

void raiseInNextNibLoad(const char* name, const char* reason) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_nibFault = NibFault{true, given(name), given(reason)};
}

void failNextNibLoad() {
    std::lock_guard<std::mutex> guard(g_lock);
    g_nibFault = NibFault{};
}

}  // namespace MacStandIn

@implementation NSBundle (MacStandIn)

+ (void)load {
    MacStandIn::detail::swapClassMethods([NSBundle class], @selector(bundleForClass:),
                                        @selector(macStandIn_bundleForClass:));
}

+ (NSBundle*)macStandIn_bundleForClass:(Class)cls {
    if (NSString* contents = contentsFolderOfClass(cls)) return [NSBundle bundleWithPath:contents];
    return [self macStandIn_bundleForClass:cls];  // GNUstep's own, after the swap
}

- (BOOL)loadNibNamed:(NSString*)name owner:(id)owner topLevelObjects:(NSArray**)topLevelObjects {
    if (topLevelObjects) *topLevelObjects = nil;
    if (std::optional<NibFault> fault = takeNibFault()) {
        if (!fault->raises) return NO;
        NSString* name = newString(fault->name);
        NSString* reason = newString(fault->reason);
        MacStandInException* exception = [[MacStandInException alloc] initWithGivenName:name reason:reason];
        [name release];
        [reason release];
        [[exception autorelease] raise];
    }
    NSNib* nib = [[NSNib alloc] initWithNibNamed:name bundle:self];
    if (!nib) return NO;
    NSArray* objects = nil;
    const BOOL loaded = [nib instantiateWithOwner:owner topLevelObjects:&objects];
    [nib release];
    if (loaded && topLevelObjects) *topLevelObjects = objects;
    return loaded;
}

@end
