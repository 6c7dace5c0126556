# The Windows module, Morphalith.aex: the shared plug-in code with the Win32 bodies of platform/win/.
# The header-only libraries and the OpenCL headers come from the Debian packages on the build machine,
# through a folder of links, so that the cross compiler sees those and nothing else of /usr/include.
enable_language(RC)

set(MRPH_XINCLUDE ${CMAKE_BINARY_DIR}/xinclude)
file(MAKE_DIRECTORY ${MRPH_XINCLUDE})
foreach(dir CL glm boost stb)
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
    ${PROJECT_SOURCE_DIR}/render/*.cpp ${PROJECT_SOURCE_DIR}/platform/win/*.cpp ${PROJECT_SOURCE_DIR}/platform/win/*.rc)

# CUDA cannot be built for Windows here (nvcc needs the Windows toolchain): the kernels folder leaves it out.
set(MRPH_BOOST_PP_INCLUDE ${MRPH_XINCLUDE} CACHE PATH "Boost headers for the kernel texts" FORCE)
add_subdirectory(${PROJECT_SOURCE_DIR}/kernels ${CMAKE_BINARY_DIR}/kernels)

add_library(Morphalith SHARED ${MRPH_WIN_SOURCES})
add_dependencies(Morphalith opencl_implib)
target_include_directories(Morphalith PRIVATE
    ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/sdk ${PROJECT_SOURCE_DIR}/kernels ${PROJECT_SOURCE_DIR}/core
    ${PROJECT_SOURCE_DIR}/params ${PROJECT_SOURCE_DIR}/ui ${PROJECT_SOURCE_DIR}/render)
target_include_directories(Morphalith SYSTEM PRIVATE ${MRPH_XINCLUDE})
target_compile_definitions(Morphalith PRIVATE MRPH_PLATFORM_WINDOWS=1 CL_TARGET_OPENCL_VERSION=120 NOMINMAX
    WIN32_LEAN_AND_MEAN)
target_link_libraries(Morphalith PRIVATE morphalith_kernel_text ${MRPH_OPENCL_IMPLIB} d3d9 shell32 user32)
target_link_options(Morphalith PRIVATE -static -static-libgcc -static-libstdc++ -Wl,--no-undefined)
set_target_properties(Morphalith PROPERTIES PREFIX "" SUFFIX ".aex" CXX_VISIBILITY_PRESET hidden)
mrph_warnings(Morphalith)
