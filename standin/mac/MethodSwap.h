// MethodSwap.h — how the stand-in makes a GNUstep method behave as a Mac's: the two implementations
// trade places, and the replacement calls the original under the replacement's own name.
#ifndef MORPHALITH_STANDIN_MAC_METHOD_SWAP_H
#define MORPHALITH_STANDIN_MAC_METHOD_SWAP_H

#import <Foundation/Foundation.h>

namespace MacStandIn::detail {

void swapInstanceMethods(Class cls, SEL original, SEL replacement);
void swapClassMethods(Class cls, SEL original, SEL replacement);

}  // namespace MacStandIn::detail

#endif  // MORPHALITH_STANDIN_MAC_METHOD_SWAP_H
