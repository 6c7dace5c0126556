# The Windows module, Morphalith.aex: the shared plug-in code with the Win32 bodies of platform/win/ and
# its resources (property list, About image, Debug Information dialog); and the Windows test host that
# loads it under wine (tests/win/).
# The header-only libraries and the OpenCL headers come from the Debian packages on the build machine,
# through a folder of links, so that the cross compiler sees those and nothing else of /usr/include.
enable_language(RC)

option(MRPH_BUILD_WINE_TESTS "Build the Windows test host and register its tests (they run under wine)" ON)
set(MRPH_LINUX_BUILD "" CACHE PATH
    "The Linux build folder; with it the tests compare the Windows module's frame with the Linux module's")

set(MRPH_XINCLUDE ${CMAKE_BINARY_DIR}/xinclude)
file(MAKE_DIRECTORY ${MRPH_XINCLUDE})
foreach(dir CL CLI glm boost stb nlohmann)
    if(EXISTS /usr/include/${dir} AND NOT EXISTS ${MRPH_XINCLUDE}/${dir})
        file(CREATE_LINK /usr/include/${dir} ${MRPH_XINCLUDE}/${dir} SYMBOLIC)
    endif()
endforeach()

# OpenCL.dll has no import library in Debian's mingw packages: make one from the functions we call.
set(MRPH_OPENCL_IMPLIB ${CMAKE_BINARY_DIR}/libOpenCL.dll.a)
add_custom_command(OUTPUT ${MRPH_OPENCL_IMPLIB}
    COMMAND ${MRPH_MINGW_PREFIX}-dlltool -d ${PROJECT_SOURCE_DIR}/cmake/OpenCL.def -l ${MRPH_OPENCL_IMPLIB} -D OpenCL.dll
    DEPENDS ${PROJECT_SOURCE_DIR}/cmake/OpenCL.def
    COMMENT "Making the OpenCL.dll import library")
add_custom_target(opencl_implib DEPENDS ${MRPH_OPENCL_IMPLIB})

file(GLOB MRPH_WIN_SOURCES CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/core/*.cpp ${PROJECT_SOURCE_DIR}/params/*.cpp ${PROJECT_SOURCE_DIR}/ui/*.cpp
    ${PROJECT_SOURCE_DIR}/render/*.cpp ${PROJECT_SOURCE_DIR}/platform/win/*.cpp)
# The bundle's About image loader: this module reads its image from its own resources instead.
list(FILTER MRPH_WIN_SOURCES EXCLUDE REGEX ".*/ui/AboutImage\\.cpp$")
file(GLOB MRPH_WIN_RESOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/win/*.rc)
set_source_files_properties(${PROJECT_SOURCE_DIR}/platform/win/Morphalith_Resources.rc PROPERTIES
    OBJECT_DEPENDS ${PROJECT_SOURCE_DIR}/resources/about_image.png)

# CUDA: the kernel's fat binary, made by the build machine's nvcc as for the Linux module (its device
# code is the same), and the driver's header, cuda.h, alone among the toolkit's headers; the module loads
# nvcuda.dll at run time (render/cuda/).
include(Cuda)
if(MRPH_HAVE_CUDA)
    if(NOT EXISTS ${MRPH_XINCLUDE}/cuda.h)
        file(CREATE_LINK ${MRPH_CUDA_INCLUDE_DIR}/cuda.h ${MRPH_XINCLUDE}/cuda.h SYMBOLIC)
    endif()
    file(GLOB MRPH_WIN_CUDA_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/render/cuda/*.cpp)
    list(APPEND MRPH_WIN_SOURCES ${MRPH_WIN_CUDA_SOURCES})
endif()
set(MRPH_BOOST_PP_INCLUDE ${MRPH_XINCLUDE} CACHE PATH "Boost headers for the kernel texts" FORCE)
add_subdirectory(${PROJECT_SOURCE_DIR}/kernels ${CMAKE_BINARY_DIR}/kernels)

# The CUDA driver stand-in, nvcuda.dll beside the test host (standin/cuda).
if(MRPH_HAVE_CUDA)
    add_subdirectory(${PROJECT_SOURCE_DIR}/standin/cuda ${CMAKE_BINARY_DIR}/standin/cuda)
endif()

# The plug-in's code once, for the module and for the test host's checks of its pieces.
add_library(morphalith_plugin_win OBJECT ${MRPH_WIN_SOURCES})
add_dependencies(morphalith_plugin_win opencl_implib)
target_include_directories(morphalith_plugin_win PUBLIC
    ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/sdk ${PROJECT_SOURCE_DIR}/kernels ${PROJECT_SOURCE_DIR}/core
    ${PROJECT_SOURCE_DIR}/params ${PROJECT_SOURCE_DIR}/ui ${PROJECT_SOURCE_DIR}/render)
target_include_directories(morphalith_plugin_win SYSTEM PUBLIC ${MRPH_XINCLUDE})
target_compile_definitions(morphalith_plugin_win PUBLIC MRPH_PLATFORM_WINDOWS=1 CL_TARGET_OPENCL_VERSION=120
    NOMINMAX WIN32_LEAN_AND_MEAN)
if(MRPH_HAVE_CUDA)
    target_compile_definitions(morphalith_plugin_win PUBLIC MRPH_HAVE_CUDA=1)
endif()
# Direct3D 9 is loaded at run time (the module must load where it is missing): no d3d9 import.
target_link_libraries(morphalith_plugin_win PUBLIC morphalith_kernel_text ${MRPH_OPENCL_IMPLIB} shell32 user32)
set_target_properties(morphalith_plugin_win PROPERTIES CXX_VISIBILITY_PRESET hidden)
mrph_warnings(morphalith_plugin_win)

add_library(Morphalith SHARED $<TARGET_OBJECTS:morphalith_plugin_win> ${MRPH_WIN_RESOURCES})
target_link_libraries(Morphalith PRIVATE morphalith_plugin_win)
# windres finds the About image by its file name on this path.
target_include_directories(Morphalith PRIVATE ${PROJECT_SOURCE_DIR}/resources)
target_link_options(Morphalith PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--no-undefined)
set_target_properties(Morphalith PROPERTIES PREFIX "" SUFFIX ".aex")

if(MRPH_BUILD_WINE_TESTS AND EXISTS ${CMAKE_CURRENT_LIST_DIR}/WineTests.cmake)
    include(${CMAKE_CURRENT_LIST_DIR}/WineTests.cmake)
endif()
