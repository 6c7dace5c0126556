# CUDA: the CUDA form of the kernel, the module's CUDA render path and the host's CUDA device.
#
#   MRPH_WITH_CUDA           AUTO (default): built where nvcc and the CUDA toolkit are found;
#                            ON: required (configuring fails without them); OFF: left out.
#   MRPH_CUDA_ARCHITECTURES  the GPU architectures to compile the kernel for, as compute capabilities
#                            without the dot: "90" (the default: Hopper), or e.g. "75;86;89;90".
#                            Machine code (SASS) for each, plus PTX of the last one, which the driver
#                            compiles at load time for newer cards.
#
# Sets MRPH_HAVE_CUDA, MRPH_NVCC and MRPH_CUDA_GENCODE (the nvcc -gencode flags). nvcc is driven
# directly rather than through CMake's CUDA language, so the host-side sanitizer and warning flags of
# the rest of the build never reach it.

set(MRPH_WITH_CUDA AUTO CACHE STRING "Build the CUDA render path: AUTO (where nvcc is found), ON or OFF")
set_property(CACHE MRPH_WITH_CUDA PROPERTY STRINGS AUTO ON OFF)
set(MRPH_CUDA_ARCHITECTURES "90" CACHE STRING
    "CUDA architectures (compute capability without the dot, e.g. \"75;86;90\"): SASS for each, PTX for the last")

set(MRPH_HAVE_CUDA FALSE)
set(MRPH_CUDA_GENCODE "")
# A ThreadSanitizer build leaves CUDA out unless asked for: the registration code nvcc puts in the
# module installs an exit handler with atexit at load time, ThreadSanitizer's interceptor keeps it
# past the module's unloading, and the process then crashes at exit. Its render tests use OpenCL.
set(mrph_cuda_wanted ${MRPH_WITH_CUDA})
if(MRPH_TSAN AND MRPH_WITH_CUDA STREQUAL "AUTO")
    set(mrph_cuda_wanted OFF)
endif()
if(NOT mrph_cuda_wanted STREQUAL "OFF" AND NOT WIN32)
    find_program(MRPH_NVCC nvcc HINTS ENV CUDA_PATH PATHS /usr/local/cuda/bin NO_CACHE)
    if(MRPH_NVCC)
        get_filename_component(MRPH_NVCC_BIN_DIR ${MRPH_NVCC} DIRECTORY)
        get_filename_component(CUDAToolkit_ROOT ${MRPH_NVCC_BIN_DIR} DIRECTORY)
        find_package(CUDAToolkit QUIET)
    endif()
    if(MRPH_NVCC AND CUDAToolkit_FOUND AND TARGET CUDA::cudart_static)
        set(MRPH_HAVE_CUDA TRUE)
    elseif(MRPH_WITH_CUDA STREQUAL "ON")
        message(FATAL_ERROR "MRPH_WITH_CUDA=ON, but nvcc or the CUDA toolkit was not found")
    endif()
endif()

if(MRPH_HAVE_CUDA)
    list(LENGTH MRPH_CUDA_ARCHITECTURES arch_count)
    if(arch_count EQUAL 0)
        message(FATAL_ERROR "MRPH_CUDA_ARCHITECTURES is empty")
    endif()
    foreach(arch ${MRPH_CUDA_ARCHITECTURES})
        if(NOT arch MATCHES "^[0-9]+[a-z]?$")
            message(FATAL_ERROR "MRPH_CUDA_ARCHITECTURES: \"${arch}\" is not a compute capability such as 90")
        endif()
        list(APPEND MRPH_CUDA_GENCODE -gencode arch=compute_${arch},code=sm_${arch})
        set(last_arch ${arch})
    endforeach()
    list(APPEND MRPH_CUDA_GENCODE -gencode arch=compute_${last_arch},code=compute_${last_arch})
    message(STATUS "CUDA: building with ${MRPH_NVCC} for ${MRPH_CUDA_ARCHITECTURES} (PTX ${last_arch})")
else()
    message(STATUS "CUDA: not built (nvcc not found, MRPH_WITH_CUDA=OFF, or a ThreadSanitizer build); its tests report a skip")
endif()
