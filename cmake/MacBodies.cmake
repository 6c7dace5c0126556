# The macOS bodies: the module built with platform/mac/ in place of platform/linux/, compiled and run
# under GNUstep (cmake/GNUstep.cmake) with the macOS stand-in (standin/mac/) for what GNUstep lacks.
# The top-level CMakeLists.txt includes this file when MRPH_PLATFORM_BODIES is mac, and calls
# mrph_use_mac_bodies() once the plug-in's targets exist.
#
# The module is laid out as a Mac lays out a plug-in bundle: Morphalith.plugin/Contents/MacOS/Morphalith,
# with Contents/Resources/ holding the About image and the debug window's interface file, DebugDialog.xib
# (a Mac build compiles it into DebugDialog.nib; GNUstep loads the text as it is).

enable_language(OBJCXX)
set(CMAKE_OBJCXX_STANDARD 20)
set(CMAKE_OBJCXX_STANDARD_REQUIRED ON)
set(CMAKE_OBJCXX_EXTENSIONS OFF)
include(GNUstep)

# A macOS build renders through OpenCL or Metal: no CUDA (read by cmake/Cuda.cmake).
set(MRPH_WITH_CUDA OFF)

function(mrph_use_mac_bodies)
    # The debug window's controller class goes into the modules alone: the Objective-C runtime holds one
    # class of a name per process, and a test binary that linked the class too would shadow the
    # module's, whose bundle is the one with the interface file.
    add_library(morphalith_debug_window OBJECT ${PROJECT_SOURCE_DIR}/platform/mac/DebugInfo_Mac.mm)
    file(GLOB mac_bodies CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/mac/*.mm)
    list(FILTER mac_bodies EXCLUDE REGEX "/DebugInfo_Mac\\.mm$")
    target_sources(morphalith_plugin PRIVATE ${mac_bodies})
    target_link_libraries(morphalith_plugin PUBLIC mac_standin)
    set_target_properties(morphalith_plugin morphalith_debug_window PROPERTIES OBJCXX_VISIBILITY_PRESET hidden)
    target_link_libraries(morphalith_debug_window PRIVATE morphalith_plugin)
    mrph_warnings(morphalith_debug_window)

    set(interface_file ${PROJECT_SOURCE_DIR}/platform/mac/DebugDialog.xib)
    foreach(module Morphalith Morphalith_Reference)
        target_sources(${module} PRIVATE $<TARGET_OBJECTS:morphalith_debug_window>)
        get_target_property(linux_folder ${module} LIBRARY_OUTPUT_DIRECTORY)
        get_filename_component(contents ${linux_folder} DIRECTORY)
        set_target_properties(${module} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${contents}/MacOS)
        # A Mac never unloads an image that holds Objective-C classes, and neither can GCC's runtime,
        # which keeps every class it registered: dlclose leaves the module in place.
        target_link_options(${module} PRIVATE -Wl,-z,nodelete)
        # Copied again whenever it changes, even when the module itself is up to date.
        add_custom_command(OUTPUT ${contents}/Resources/DebugDialog.xib
            COMMAND ${CMAKE_COMMAND} -E make_directory ${contents}/Resources
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${interface_file} ${contents}/Resources/DebugDialog.xib
            DEPENDS ${interface_file})
        add_custom_target(${module}_interface_file DEPENDS ${contents}/Resources/DebugDialog.xib)
        add_dependencies(${module} ${module}_interface_file)
    endforeach()
    set(MRPH_MODULE_PATH ${MRPH_BUNDLE_DIR}/Contents/MacOS/Morphalith PARENT_SCOPE)
    set(MRPH_REFERENCE_MODULE_PATH ${MRPH_REFERENCE_BUNDLE_DIR}/Contents/MacOS/Morphalith PARENT_SCOPE)
endfunction()
