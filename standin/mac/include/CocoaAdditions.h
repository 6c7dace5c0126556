// CocoaAdditions.h — the part of a Mac's Foundation and AppKit that the macOS bodies call and
// GNUstep (base 1.28, gui 0.29) lacks, added to GNUstep's own classes by the macOS stand-in. The macOS
// bodies include it only where GNUstep is their Foundation and AppKit.
//
// Besides what is declared here, the stand-in makes two GNUstep methods behave as a Mac's do:
// - +[NSBundle bundleForClass:] of a class whose code lies in a bundle laid out as a Mac lays it out
//   (X.plugin/Contents/MacOS/X) gives that bundle, with its Contents/Resources, where GNUstep would give
//   the main bundle (it knows only the bundles it loaded itself). GNUstep keeps a bundle's resources in
//   PATH/Resources, so the bundle's path is the Contents folder.
// - -[NSPasteboard setData:forType:] of a type nobody declared adds the type first, as a Mac's
//   pasteboard does after clearContents.
#ifndef MORPHALITH_STANDIN_MAC_COCOA_ADDITIONS_H
#define MORPHALITH_STANDIN_MAC_COCOA_ADDITIONS_H

#import <AppKit/AppKit.h>

// A Mac's availability annotation: GNUstep runs on no particular macOS, so everything is available.
#if !defined(API_AVAILABLE)
#define API_AVAILABLE(...)
#endif

typedef struct {
    NSInteger majorVersion;
    NSInteger minorVersion;
    NSInteger patchVersion;
} NSOperatingSystemVersion;

@interface NSProcessInfo (MacStandIn)
// The macOS version the stand-in plays (MacStandIn.h: setSystemVersion), not the Linux kernel's.
- (NSOperatingSystemVersion)operatingSystemVersion;
- (BOOL)isOperatingSystemAtLeastVersion:(NSOperatingSystemVersion)version;
@end

@interface NSPasteboard (MacStandIn)
// Empties the pasteboard and becomes its owner; the new change count.
- (NSInteger)clearContents;
// Whether the pasteboard holds data of one of the types.
- (BOOL)canReadItemWithDataConformingToTypes:(NSArray*)types;
@end

@interface NSWindow (MacStandIn)
// Kept with the window, not drawn: GNUstep draws every window in its own theme.
- (NSAppearance*)appearance;
- (void)setAppearance:(NSAppearance*)appearance;
@end

@interface NSBundle (MacStandIn)
// Loads the bundle's interface file of that name (NAME.nib, .gorm or .xib in its resources) with the
// owner; the top-level objects in *topLevelObjects when asked for. NO when there is none.
- (BOOL)loadNibNamed:(NSString*)name owner:(id)owner topLevelObjects:(NSArray**)topLevelObjects;
@end

#endif  // MORPHALITH_STANDIN_MAC_COCOA_ADDITIONS_H
