// objc/blocks_runtime.h — where GNUstep's headers look for the blocks runtime when the compiler has
// blocks. That header comes with the libobjc2 runtime; Debian's GNUstep is built for GCC's runtime,
// which has none, and the blocks runtime here is libBlocksRuntime.
#ifndef MORPHALITH_STANDIN_MAC_OBJC_BLOCKS_RUNTIME_H
#define MORPHALITH_STANDIN_MAC_OBJC_BLOCKS_RUNTIME_H

#include <Block.h>

#endif  // MORPHALITH_STANDIN_MAC_OBJC_BLOCKS_RUNTIME_H
