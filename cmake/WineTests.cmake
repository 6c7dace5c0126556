# The Windows test host: GoogleTest suites (tests/win/) cross-built with the stand-in host's code, which
# loads Morphalith.aex with LoadLibrary. Its tests run under wine through scripts/wine-run.sh, each in a
# process of its own, inside one X display for the whole run (scripts/test-windows.sh provides it).

# GoogleTest from Debian's sources, built with the cross compiler.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The stand-in host, as the Linux build makes it, minus its command line, the Metal stand-in and the
# cairo rasteriser of the panel images (and without OpenEXR).
file(GLOB MRPH_WIN_HOST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/host/*.cpp)
list(FILTER MRPH_WIN_HOST_SOURCES EXCLUDE REGEX ".*/host/(main|MetalDevice|DrawbotCairo|PanelImage)\\.cpp$")
add_library(morphalith_host_win STATIC ${MRPH_WIN_HOST_SOURCES})
add_dependencies(morphalith_host_win opencl_implib)
target_include_directories(morphalith_host_win PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/sdk
    ${PROJECT_SOURCE_DIR}/kernels)
target_include_directories(morphalith_host_win SYSTEM PUBLIC ${MRPH_XINCLUDE})
target_compile_definitions(morphalith_host_win PUBLIC CL_TARGET_OPENCL_VERSION=120 NOMINMAX WIN32_LEAN_AND_MEAN)
if(MRPH_HAVE_CUDA)
    target_compile_definitions(morphalith_host_win PUBLIC MRPH_HAVE_CUDA=1)
endif()
target_link_libraries(morphalith_host_win PUBLIC ${MRPH_OPENCL_IMPLIB})
mrph_warnings(morphalith_host_win)

file(GLOB MRPH_WINE_TEST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win/*.cpp)
# The CUDA frame tests of the Linux suite run here too, on the nvcuda.dll stand-in beside this program.
if(TARGET cuda_standin)
    list(APPEND MRPH_WINE_TEST_SOURCES ${PROJECT_SOURCE_DIR}/tests/render/cuda_render_test.cpp)
endif()
add_executable(morphalith_win_tests ${MRPH_WINE_TEST_SOURCES} ${PROJECT_SOURCE_DIR}/tests/win/morphalith_win_tests.rc)
set_source_files_properties(${PROJECT_SOURCE_DIR}/tests/win/morphalith_win_tests.rc PROPERTIES
    OBJECT_DEPENDS ${PROJECT_SOURCE_DIR}/tests/win/morphalith_win_tests.manifest)
target_include_directories(morphalith_win_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/win)
# The plug-in's own pieces are linked in as well, to drive the dialog and the clipboard directly.
target_link_libraries(morphalith_win_tests PRIVATE morphalith_plugin_win morphalith_host_win gtest advapi32)
# Tests that drive the plug-in's pieces directly name the module without loading it (HostFixture).
target_compile_definitions(morphalith_win_tests PRIVATE MRPH_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    MRPH_TEST_MODULE_PATH="Morphalith.aex")
target_include_directories(morphalith_win_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_options(morphalith_win_tests PRIVATE -static -static-libgcc -static-libstdc++)
add_dependencies(morphalith_win_tests Morphalith)
if(TARGET cuda_standin)
    # The plug-in's pieces are driven without loading a module; the stand-in is loaded by the system's
    # search, never linked.
    target_link_libraries(morphalith_win_tests PRIVATE cuda_standin_headers)
    target_compile_definitions(morphalith_win_tests PRIVATE MRPH_HAVE_CUDA_STANDIN=1 MRPH_TESTS_ON_CUDA_STANDIN=1)
    add_dependencies(morphalith_win_tests cuda_standin cuda_standin_old)
endif()
mrph_warnings(morphalith_win_tests)
set_target_properties(morphalith_win_tests PROPERTIES
    CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)

# ---- Tests ------------------------------------------------------------------------------------------
# The clipboard and the registry belong to the whole wine session: those tests run one at a time.
enable_testing()
include(GoogleTest)
set(MRPH_WINE_SHARED "Clipboard.*:WineSettings.*")
set(MRPH_FRAME_DIR ${CMAKE_BINARY_DIR}/frames)
gtest_discover_tests(morphalith_win_tests TEST_PREFIX "wine." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    TEST_FILTER "-${MRPH_WINE_SHARED}:WindowsFrame.*"
    PROPERTIES TIMEOUT 300)
gtest_discover_tests(morphalith_win_tests TEST_PREFIX "wine." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    TEST_FILTER "${MRPH_WINE_SHARED}"
    PROPERTIES TIMEOUT 300 RESOURCE_LOCK wine_session)
gtest_discover_tests(morphalith_win_tests TEST_PREFIX "wine." DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    TEST_FILTER "WindowsFrame.*"
    PROPERTIES TIMEOUT 600 ENVIRONMENT "MRPH_FRAME_DIR=${MRPH_FRAME_DIR}" FIXTURES_SETUP windows_frames)

# The Linux module renders the same frames and compares them (its test binary from the Linux build).
if(MRPH_LINUX_BUILD)
    add_test(NAME linux.WindowsFrame.MatchesTheLinuxModule
        COMMAND ${MRPH_LINUX_BUILD}/tests/morphalith_tests --gtest_filter=WindowsFrame.*)
    set_tests_properties(linux.WindowsFrame.MatchesTheLinuxModule PROPERTIES
        ENVIRONMENT "MRPH_WINDOWS_FRAMES=${MRPH_FRAME_DIR}" FIXTURES_REQUIRED windows_frames TIMEOUT 600)
endif()
