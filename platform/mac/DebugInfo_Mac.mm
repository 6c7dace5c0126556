// DebugInfo_Mac.mm — the debug-text window of the macOS build: a modal window on the main thread,
// loaded from the bundle's "DebugDialog" interface file.
#import <Cocoa/Cocoa.h>
#if defined(GNUSTEP)
#import "CocoaAdditions.h"  // what GNUstep lacks of the Cocoa calls below
#endif

#include <string>

#include "CocoaText.h"
#include "DebugInfo.h"
#include "Headers/LogsController.h"

namespace {

bool isDark() {
    NSString* style = [[NSUserDefaults standardUserDefaults] stringForKey:@"AppleInterfaceStyle"];
    return style && [style isEqualToString:@"Dark"];
}

// The text as the window shows it. A log that is not UTF-8 (a driver's, in its own encoding) is shown
// byte for byte as Latin-1 rather than not at all. Autoreleased.
NSString* shownText(const std::string& text) {
    if (NSString* utf8 = [NSString stringWithUTF8String:text.c_str()]) return utf8;
    NSString* bytes = [[NSString alloc] initWithBytes:text.data() length:text.size() encoding:NSISOLatin1StringEncoding];
    return bytes ? [bytes autorelease] : @"";
}

}  // namespace

@interface DebugWindowController : NSWindowController <NSWindowDelegate> {
    NSString* debugInfo;         // the text shown, kept from init:
    NSScrollView* _debugString;  // backs the debugString outlet
}
// The scroll view whose document view is the text view that shows the text.
@property(nonatomic, strong) IBOutlet NSScrollView* debugString;
- (id)init:(NSString*)text;
- (IBAction)okBtn:(id)sender;
- (IBAction)copyBtn:(id)sender;
@end

@implementation DebugWindowController

@synthesize debugString = _debugString;

- (id)init:(NSString*)text {
    self = [super init];
    if (!self) return nil;
    // Whoever called alloc gets no object back from a failed init:, so it is let go of here.
    BOOL loaded = NO;
    @try {
        loaded = [[NSBundle bundleForClass:[self class]] loadNibNamed:@"DebugDialog" owner:self
                                                       topLevelObjects:nullptr];
    } @catch (NSException* e) {
        [self release];
        @throw;
    }
    if (!loaded) {
        MRPH_LOG_ERROR_IN("-[DebugWindowController init:]", "Unable to load nib file.");
        [self release];
        return nil;
    }
    NSWindow* window = [self window];
    [window setDelegate:self];
    [window setAppearance:[NSAppearance appearanceNamed:isDark() ? NSAppearanceNameDarkAqua : NSAppearanceNameAqua]];
    [window center];
    // Copied: the caller's string is autoreleased, and Copy reads the text long after init: returned.
    debugInfo = [(text ? text : @"") copy];
    [(NSTextView*)[self.debugString documentView] setString:debugInfo];
    return self;
}

- (void)dealloc {
    // Something else may still hold the window; it must not call back a controller that is gone.
    if ([self isWindowLoaded]) [[self window] setDelegate:nil];
    [debugInfo release];
    [_debugString release];
    [super dealloc];
}

- (IBAction)okBtn:(id)sender {
    // Only this window's modal run ends: closing it at another time (the host quitting during a modal
    // dialog of its own, say) must not end someone else's.
    if ([NSApp modalWindow] == [self window]) [NSApp abortModal];
    [[self window] orderOut:nil];
}

- (void)windowWillClose:(NSNotification*)notification {
    [self okBtn:nil];
}

// Puts the text on the general pasteboard as plain text, which is what a user pressing Copy expects.
- (IBAction)copyBtn:(id)sender {
    NSPasteboard* board = [NSPasteboard generalPasteboard];
    [board clearContents];
    [board setString:debugInfo forType:NSPasteboardTypeString];
}

@end

PF_Err showDebugInfo(std::string text) {
    // The block holds its own copy of the text, so the caller's may go away at once.
    dispatch_async(dispatch_get_main_queue(), ^{
      DebugWindowController* controller = nil;
      @try {
          controller = [[DebugWindowController alloc] init:shownText(text)];
          if (controller) [NSApp runModalForWindow:[controller window]];
      } @catch (NSException* e) {
          MRPH_LOG_ERROR_IN("showDebugInfo_block_invoke",
                            "Exception caught: " + exceptionText(e));
          [[controller window] orderOut:nil];
      }
      [controller release];
    });
    return PF_Err_NONE;
}
