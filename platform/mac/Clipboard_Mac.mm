// Clipboard_Mac.mm — the primitive clipboard of the macOS build: the general pasteboard, under the
// private type.
#import <AppKit/AppKit.h>
#if defined(GNUSTEP)
#import "CocoaAdditions.h"  // what GNUstep lacks of the pasteboard calls below
#endif

#include <string>

#include "CocoaText.h"
#include "Headers/LogsController.h"
#include "PrimitiveClipboard.h"

namespace {

NSString* privateType() { return [NSString stringWithUTF8String:kPrimitiveClipboardType]; }

// These are called from the strip's C++ event code, which a Cocoa exception must not cross: a
// pasteboard that cannot be reached is logged, and Copy or Paste then does nothing.
void logException(const char* function, NSException* e) {
    MRPH_LOG_ERROR_IN(function, "Pasteboard failed: " + exceptionText(e));
}

}  // namespace

void CopyBytesToClipboard(const void* bytes, std::size_t size) {
    @autoreleasepool {
        @try {
            NSPasteboard* pasteboard = [NSPasteboard generalPasteboard];
            [pasteboard clearContents];
            // No bytes: the pasteboard is only emptied, and Paste finds nothing.
            if (size == 0 || !bytes) return;
            NSData* data = [NSData dataWithBytes:bytes length:size];
            [pasteboard setData:data forType:privateType()];
        } @catch (NSException* e) {
            logException("CopyBytesToClipboard", e);
        }
    }
}

bool PasteBytesFromClipboard(std::vector<std::uint8_t>& bytes) {
    @autoreleasepool {
        @try {
            NSData* data = [[NSPasteboard generalPasteboard] dataForType:privateType()];
            if (!data || data.length == 0) return false;
            const auto* first = static_cast<const std::uint8_t*>(data.bytes);
            bytes.assign(first, first + data.length);
            return true;
        } @catch (NSException* e) {
            logException("PasteBytesFromClipboard", e);
            return false;
        }
    }
}

bool IsBytesInClipboard() {
    @autoreleasepool {
        @try {
            return [[NSPasteboard generalPasteboard] canReadItemWithDataConformingToTypes:@[ privateType() ]];
        } @catch (NSException* e) {
            logException("IsBytesInClipboard", e);
            return false;
        }
    }
}
