// DebugInfo_Mac.mm — the debug-text window of the macOS build: a modal window on the main thread,
// loaded from the bundle's "DebugDialog" interface file. Not compiled on Linux.
#import <Cocoa/Cocoa.h>

#include <string>

#include "DebugInfo.h"
#include "Headers/LogsController.h"

static bool isDark() {
    NSString* style = [[NSUserDefaults standardUserDefaults] stringForKey:@"AppleInterfaceStyle"];
    return style && [style isEqualToString:@"Dark"];
}

@interface DebugWindowController : NSWindowController <NSWindowDelegate>
@property(nonatomic, strong) IBOutlet NSScrollView* debugString;
@end

@implementation DebugWindowController {
    NSString* debugInfo;
}

- (id)init:(NSString*)text {
    self = [super init];
    if (!self) return nil;
    NSBundle* bundle = [NSBundle bundleForClass:[self class]];
    if (![bundle loadNibNamed:@"DebugDialog" owner:self topLevelObjects:nil]) {
        MRPH_LOG_ERROR_IN("-[DebugWindowController init:]", "Unable to load nib file.");
        return nil;
    }
    [[self window] setDelegate:self];
    [[self window] setAppearance:[NSAppearance appearanceNamed:isDark() ? NSAppearanceNameDarkAqua
                                                                       : NSAppearanceNameAqua]];
    [[self window] center];
    debugInfo = text;
    [(NSTextView*)[self.debugString documentView] setString:debugInfo];
    return self;
}

- (IBAction)okBtn:(id)sender {
    [NSApp abortModal];
    [[self window] orderOut:nil];
}

- (void)windowWillClose:(NSNotification*)notification {
    [self okBtn:nil];
}

// Puts the text on the pasteboard, which is what a user pressing Copy expects.
- (IBAction)copyBtn:(id)sender {
    NSPasteboard* board = [NSPasteboard generalPasteboard];
    [board clearContents];
    [board setString:debugInfo forType:NSPasteboardTypeString];
}
@end

PF_Err showDebugInfo(std::string text) {
    std::string copy = text;  // the block keeps its own copy; the caller's may go away at once
    dispatch_async(dispatch_get_main_queue(), ^{
      @try {
          DebugWindowController* controller =
              [[DebugWindowController alloc] init:[NSString stringWithUTF8String:copy.c_str()]];
          if (controller) [NSApp runModalForWindow:[controller window]];
          [controller release];
      } @catch (NSException* e) {
          MRPH_LOG_ERROR_IN("showDebugInfo_block_invoke",
                            std::string("Exception caught: ") + [[e name] UTF8String] + ", " + [[e reason] UTF8String]);
      }
    });
    return PF_Err_NONE;
}
