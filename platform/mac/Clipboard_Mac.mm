// Clipboard_Mac.mm — the primitive clipboard of the macOS build: the general pasteboard, under the
// private type. Not compiled on Linux.
#import <AppKit/AppKit.h>

#include "PrimitiveClipboard.h"

static NSString* privateType() { return [NSString stringWithUTF8String:kPrimitiveClipboardType]; }

void CopyBytesToClipboard(const void* bytes, std::size_t size) {
    @autoreleasepool {
        NSPasteboard* pasteboard = [NSPasteboard generalPasteboard];
        [pasteboard clearContents];
        // No bytes: the pasteboard is only emptied, and Paste finds nothing.
        if (size == 0 || !bytes) return;
        NSData* data = [NSData dataWithBytes:bytes length:size];
        [pasteboard setData:data forType:privateType()];
    }
}

bool PasteBytesFromClipboard(std::vector<std::uint8_t>& bytes) {
    @autoreleasepool {
        NSData* data = [[NSPasteboard generalPasteboard] dataForType:privateType()];
        if (!data || data.length == 0) return false;
        const auto* first = static_cast<const std::uint8_t*>(data.bytes);
        bytes.assign(first, first + data.length);
        return true;
    }
}

bool IsBytesInClipboard() {
    @autoreleasepool {
        return [[NSPasteboard generalPasteboard] canReadItemWithDataConformingToTypes:@[ privateType() ]];
    }
}
