#import <AppKit/AppKit.h>

#import "CocoaAdditions.h"
#include "ModalWindowUser.h"

namespace {

NSButton* buttonTitled(NSView* view, NSString* title) {
    for (NSView* sub in [view subviews]) {
        if ([sub isKindOfClass:[NSButton class]] && [[(NSButton*)sub title] isEqualToString:title])
            return (NSButton*)sub;
        if (NSButton* inner = buttonTitled(sub, title)) return inner;
    }
    return nil;
}

NSScrollView* firstScrollView(NSView* view) {
    for (NSView* sub in [view subviews]) {
        if ([sub isKindOfClass:[NSScrollView class]]) return (NSScrollView*)sub;
        if (NSScrollView* inner = firstScrollView(sub)) return inner;
    }
    return nil;
}

// Five seconds of empty events, 50 ms apart.
constexpr int kWakesBeforeGivingUp = 100;

std::string text(NSString* string) {
    const char* utf8 = [string UTF8String];
    return utf8 ? utf8 : "";
}

}  // namespace

@interface MRPHModalWindowUser : NSObject {
@public
    mac_test::Answer answer;
    mac_test::SeenWindow seen;
    NSWindow* answered;  // retained, to look at once the run is over
    NSTimer* timer;      // fires only inside modal runs
    int wakes;           // empty events posted since the answer
    bool forced;         // the run did not end after the answer, and was stopped
}
- (void)look:(NSTimer*)fired;
@end

@implementation MRPHModalWindowUser

- (void)wake {
    [NSApp postEvent:[NSEvent otherEventWithType:NSApplicationDefined
                                        location:NSZeroPoint
                                   modifierFlags:0
                                       timestamp:0
                                    windowNumber:0
                                         context:nil
                                         subtype:0
                                           data1:0
                                           data2:0]
             atStart:NO];
}

- (void)look:(NSTimer*)fired {
    NSWindow* window = [NSApp modalWindow];
    if (answered) {
        // Still the answered window's run: the answer has not reached the loop yet.
        if (window != answered) return;
        if (++wakes > kWakesBeforeGivingUp && !forced) {
            forced = true;
            [NSApp stopModal];
        }
        [self wake];
        return;
    }
    if (!window) return;
    answered = [window retain];
    seen.shown = true;
    seen.title = text([window title]);
    seen.text = text([(NSTextView*)[firstScrollView([window contentView]) documentView] string]);
    seen.appearance = text([[window appearance] name]);

    if (answer == mac_test::Answer::PressCopyThenOK) [buttonTitled([window contentView], @"Copy") performClick:nil];
    if (answer == mac_test::Answer::CloseWindow)
        [window performClose:nil];
    else
        [buttonTitled([window contentView], @"OK") performClick:nil];
    [self wake];
}

- (void)dealloc {
    [timer invalidate];
    [answered release];
    [super dealloc];
}

@end

namespace mac_test {

ModalWindowUser::ModalWindowUser(Answer answer) {
    MRPHModalWindowUser* user = [[MRPHModalWindowUser alloc] init];
    user->answer = answer;
    user->timer = [NSTimer timerWithTimeInterval:0.05 target:user selector:@selector(look:) userInfo:nil repeats:YES];
    [[NSRunLoop currentRunLoop] addTimer:user->timer forMode:NSModalPanelRunLoopMode];
    user_ = user;
}

ModalWindowUser::~ModalWindowUser() {
    MRPHModalWindowUser* user = (MRPHModalWindowUser*)user_;
    [user->timer invalidate];  // the run loop lets go of the timer, and the timer of the user
    user->timer = nil;
    [user release];
}

const SeenWindow& ModalWindowUser::seen() const { return ((MRPHModalWindowUser*)user_)->seen; }

bool ModalWindowUser::windowStillVisible() const {
    NSWindow* window = ((MRPHModalWindowUser*)user_)->answered;
    return window && [window isVisible];
}

bool ModalWindowUser::modalRunGoing() { return [NSApp modalWindow] != nil; }

bool ModalWindowUser::answerEndedTheRun() const {
    MRPHModalWindowUser* user = (MRPHModalWindowUser*)user_;
    return user->answered && !user->forced && [NSApp modalWindow] != user->answered;
}

}  // namespace mac_test
