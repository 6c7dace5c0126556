// Pasteboard.mm — a Mac's general-pasteboard calls over GNUstep's pasteboard (served by gpbs).
#import <AppKit/AppKit.h>

#include "CocoaAdditions.h"
#include "MethodSwap.h"

@implementation NSPasteboard (MacStandIn)

+ (void)load {
    MacStandIn::detail::swapInstanceMethods([NSPasteboard class], @selector(setData:forType:),
                                           @selector(macStandIn_setData:forType:));
}

- (NSInteger)clearContents {
    return [self declareTypes:[NSArray array] owner:nil];
}

- (BOOL)canReadItemWithDataConformingToTypes:(NSArray*)types {
    return [self availableTypeFromArray:types] != nil;
}

// GNUstep refuses data of a type not declared first; a Mac's pasteboard adds the type to its item.
- (BOOL)macStandIn_setData:(NSData*)data forType:(NSString*)type {
    if (type && ![[self types] containsObject:type]) [self addTypes:[NSArray arrayWithObject:type] owner:nil];
    return [self macStandIn_setData:data forType:type];  // GNUstep's own, after the swap
}

@end
