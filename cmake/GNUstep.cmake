# GNUstep, Debian's implementation of Foundation and AppKit, as the macOS bodies compile against it
# (cmake/MacBodies.cmake).
#
# Debian 12 builds GNUstep with GCC, for GCC's Objective-C runtime (libobjc4). GCC's Objective-C++ has
# no blocks, no @autoreleasepool and no literals, all of which the macOS bodies use, so they are
# compiled by clang for that runtime (-fobjc-runtime=gcc). That runtime lays classes out at compile
# time: instance variables are declared in the @interface and properties are @synthesize'd by hand.
# Blocks come from libBlocksRuntime. Two kinds of header GNUstep includes are not where clang looks:
# GCC's own objc/ headers (linked into the build tree below) and libobjc2's objc/blocks_runtime.h
# (standin/mac/gnustep/objc/, which hands over to libBlocksRuntime's Block.h).
#
# Defines mrph_gnustep, an interface target with the Objective-C++ options, the include folders and
# the libraries.

if(NOT CMAKE_OBJCXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "The macOS bodies need clang for Objective-C++ (GCC's lacks blocks, @autoreleasepool "
        "and literals): configure with -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
endif()

find_path(MRPH_GNUSTEP_INCLUDE_DIR Foundation/Foundation.h PATHS /usr/include/GNUstep /usr/local/include/GNUstep
    DOC "GNUstep's headers (Debian: libgnustep-base-dev, libgnustep-gui-dev)")
find_library(MRPH_GNUSTEP_BASE_LIBRARY gnustep-base)
find_library(MRPH_GNUSTEP_GUI_LIBRARY gnustep-gui)
find_library(MRPH_BLOCKS_RUNTIME_LIBRARY BlocksRuntime DOC "libBlocksRuntime (Debian: libblocksruntime-dev)")
if(NOT MRPH_GNUSTEP_INCLUDE_DIR OR NOT EXISTS ${MRPH_GNUSTEP_INCLUDE_DIR}/AppKit/AppKit.h
   OR NOT MRPH_GNUSTEP_BASE_LIBRARY OR NOT MRPH_GNUSTEP_GUI_LIBRARY OR NOT MRPH_BLOCKS_RUNTIME_LIBRARY)
    message(FATAL_ERROR "The macOS bodies need GNUstep and the blocks runtime (scripts/install-deps.sh installs "
        "libgnustep-base-dev, libgnustep-gui-dev and libblocksruntime-dev)")
endif()

# GCC's runtime headers live beside GCC's compiler headers; only their objc/ folder is put on clang's
# path, so clang keeps its own stddef.h and intrinsics.
file(GLOB mrph_gnu_objc_headers /usr/lib/gcc/*/*/include/objc/objc.h)
list(SORT mrph_gnu_objc_headers COMPARE NATURAL)
list(POP_BACK mrph_gnu_objc_headers mrph_gnu_objc_header)
if(NOT mrph_gnu_objc_header)
    message(FATAL_ERROR "GCC's Objective-C runtime headers (objc/objc.h) not found: install libobjc-12-dev")
endif()
get_filename_component(mrph_gnu_objc_dir ${mrph_gnu_objc_header} DIRECTORY)
set(MRPH_GNU_OBJC_INCLUDE_DIR ${CMAKE_BINARY_DIR}/gnu-objc)
file(MAKE_DIRECTORY ${MRPH_GNU_OBJC_INCLUDE_DIR})
file(CREATE_LINK ${mrph_gnu_objc_dir} ${MRPH_GNU_OBJC_INCLUDE_DIR}/objc SYMBOLIC)

add_library(mrph_gnustep INTERFACE)
target_include_directories(mrph_gnustep SYSTEM INTERFACE
    ${MRPH_GNUSTEP_INCLUDE_DIR} ${MRPH_GNU_OBJC_INCLUDE_DIR} ${PROJECT_SOURCE_DIR}/standin/mac/gnustep)
target_compile_options(mrph_gnustep INTERFACE
    "$<$<COMPILE_LANGUAGE:OBJCXX>:-fobjc-runtime=gcc;-fblocks;-fobjc-exceptions;-fexceptions>"
    "$<$<COMPILE_LANGUAGE:OBJCXX>:-fconstant-string-class=NSConstantString;-fno-strict-aliasing>")
target_compile_definitions(mrph_gnustep INTERFACE
    "$<$<COMPILE_LANGUAGE:OBJCXX>:GNUSTEP;GNUSTEP_BASE_LIBRARY=1;GNU_GUI_LIBRARY=1;GNU_RUNTIME=1>"
    "$<$<COMPILE_LANGUAGE:OBJCXX>:_NATIVE_OBJC_EXCEPTIONS>")
target_link_libraries(mrph_gnustep INTERFACE
    ${MRPH_GNUSTEP_GUI_LIBRARY} ${MRPH_GNUSTEP_BASE_LIBRARY} objc ${MRPH_BLOCKS_RUNTIME_LIBRARY})
