// MethodSwap.mm — trading two methods' implementations through the runtime.
#import <Foundation/Foundation.h>

#include <objc/runtime.h>

#include <cstdio>
#include <cstdlib>

#include "MethodSwap.h"

namespace MacStandIn::detail {

namespace {

void swap(Method original, Method replacement, const char* what) {
    if (!original || !replacement) {
        std::fprintf(stderr, "macOS stand-in: cannot replace %s\n", what);
        std::abort();
    }
    method_exchangeImplementations(original, replacement);
}

}  // namespace

void swapInstanceMethods(Class cls, SEL original, SEL replacement) {
    swap(class_getInstanceMethod(cls, original), class_getInstanceMethod(cls, replacement), sel_getName(original));
}

void swapClassMethods(Class cls, SEL original, SEL replacement) {
    swap(class_getClassMethod(cls, original), class_getClassMethod(cls, replacement), sel_getName(original));
}

}  // namespace MacStandIn::detail
