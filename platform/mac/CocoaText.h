// CocoaText.h — Cocoa strings and exceptions as text for the macOS bodies' log lines.
#ifndef MORPHALITH_PLATFORM_MAC_COCOA_TEXT_H
#define MORPHALITH_PLATFORM_MAC_COCOA_TEXT_H

#import <Foundation/Foundation.h>

#include <string>

// A string as UTF-8; nil (or a string without a UTF-8 form) gives "".
inline std::string utf8Text(NSString* text) {
    const char* bytes = [text UTF8String];
    return bytes ? bytes : "";
}

// "name, reason": an exception may come without either.
inline std::string exceptionText(NSException* e) { return utf8Text([e name]) + ", " + utf8Text([e reason]); }

#endif  // MORPHALITH_PLATFORM_MAC_COCOA_TEXT_H
