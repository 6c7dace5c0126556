// MacStandInApi.h — marks what the macOS stand-in library exports; everything else in it is hidden.
#ifndef MORPHALITH_STANDIN_MAC_API_H
#define MORPHALITH_STANDIN_MAC_API_H

#define MAC_STANDIN_API __attribute__((visibility("default")))

#endif  // MORPHALITH_STANDIN_MAC_API_H
