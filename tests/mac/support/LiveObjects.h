// LiveObjects.h — GNUstep's count of the live objects of a class, for the tests of what the module
// lets go of. GNUstep's Foundation/NSDebug.h declares these only in builds without NDEBUG; the library
// has them either way.
#ifndef MORPHALITH_TESTS_MAC_LIVE_OBJECTS_H
#define MORPHALITH_TESTS_MAC_LIVE_OBJECTS_H

#import <Foundation/Foundation.h>

extern "C" {
// Starts counting (objects made before are not counted); the previous state.
BOOL GSDebugAllocationActive(BOOL active);
// Objects of the class made and not yet deallocated since counting started.
int GSDebugAllocationCount(Class cls);
}

#endif  // MORPHALITH_TESTS_MAC_LIVE_OBJECTS_H
