// WindowAppearance.mm — the appearance a window was given, kept for as long as the window lives.
#import <AppKit/AppKit.h>

#include "CocoaAdditions.h"
#include "MethodSwap.h"

namespace {

// Window -> its appearance (retained); windows are not retained, and leave the table as they go.
NSMapTable* appearances() {
    static NSMapTable* table = NSCreateMapTable(NSNonOwnedPointerMapKeyCallBacks, NSObjectMapValueCallBacks, 0);
    return table;
}

}  // namespace

@implementation NSWindow (MacStandIn)

+ (void)load {
    MacStandIn::detail::swapInstanceMethods([NSWindow class], @selector(dealloc), @selector(macStandIn_dealloc));
}

- (NSAppearance*)appearance {
    return (NSAppearance*)NSMapGet(appearances(), self);
}

- (void)setAppearance:(NSAppearance*)appearance {
    if (appearance)
        NSMapInsert(appearances(), self, appearance);
    else
        NSMapRemove(appearances(), self);
}

- (void)macStandIn_dealloc {
    NSMapRemove(appearances(), self);
    [self macStandIn_dealloc];  // GNUstep's own, after the swap
}

@end
