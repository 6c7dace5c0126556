# CUDA: the fat binary of the kernel's CUDA form that the modules carry, and the CUDA driver's header
# that the module's and the host's CUDA code are written against. Nothing of CUDA is linked: the module
# and the host load the driver library at run time.
#
#   MRPH_WITH_CUDA           AUTO (default): built where nvcc and the toolkit's cuda.h are found;
#                            ON: required (configuring fails without them); OFF: left out.
#   MRPH_CUDA_ARCHITECTURES  the GPU architectures to compile the kernel for, as compute capabilities
#                            without the dot: "75;80;86;89;90" (the default: Turing to Hopper). Machine
#                            code for each, plus PTX of the last one, which the driver compiles at load
#                            time for newer cards.
#   MRPH_CUDA_REFERENCE_ARCHITECTURES  the same for the reference renderer's image (benchmarks only):
#                            the last of MRPH_CUDA_ARCHITECTURES by default.
#   MRPH_CUDA_PREBUILT       a folder holding Morphalith_Kernel.fatbin and Morphalith_Kernel_REFERENCE.fatbin
#                            made by another build of the same sources (its kernels/generated folder): they
#                            are taken instead of compiled, which saves a build a minute of nvcc.
#
# Sets MRPH_HAVE_CUDA, MRPH_NVCC, MRPH_CUDA_INCLUDE_DIR (the folder of cuda.h), MRPH_CUDA_HOST_CXX and
# the function mrph_cuda_gencode(). nvcc is driven directly rather than through CMake's CUDA language:
# it makes device code only, so the host-side sanitizer and warning flags never reach it, and the
# Windows cross build can run it with the build machine's own compiler.

set(MRPH_WITH_CUDA AUTO CACHE STRING "Build the CUDA render path: AUTO (where nvcc is found), ON or OFF")
set_property(CACHE MRPH_WITH_CUDA PROPERTY STRINGS AUTO ON OFF)
set(MRPH_CUDA_ARCHITECTURES "75;80;86;89;90" CACHE STRING
    "CUDA architectures (compute capability without the dot, e.g. \"75;86;90\"): SASS for each, PTX for the last")
set(MRPH_CUDA_REFERENCE_ARCHITECTURES "" CACHE STRING
    "CUDA architectures of the reference renderer's image (default: the last of MRPH_CUDA_ARCHITECTURES)")
set(MRPH_CUDA_PREBUILT "" CACHE PATH "A folder with the two fat binaries of another build, taken instead of compiled")

set(MRPH_HAVE_CUDA FALSE)
if(NOT MRPH_WITH_CUDA STREQUAL "OFF")
    # The toolkit is searched for on the build machine, also by the Windows cross build.
    find_program(MRPH_NVCC nvcc HINTS ENV CUDA_PATH PATHS /usr/local/cuda/bin NO_CACHE NO_CMAKE_FIND_ROOT_PATH)
    find_path(MRPH_CUDA_INCLUDE_DIR cuda.h HINTS ENV CUDA_PATH PATH_SUFFIXES include PATHS /usr/local/cuda/include
              NO_CACHE NO_CMAKE_FIND_ROOT_PATH NO_SYSTEM_ENVIRONMENT_PATH)
    if(WIN32)
        # nvcc preprocesses the device code with a host compiler of its own platform.
        find_program(MRPH_CUDA_HOST_CXX NAMES g++ c++ PATHS /usr/bin NO_CACHE NO_CMAKE_FIND_ROOT_PATH)
    else()
        set(MRPH_CUDA_HOST_CXX ${CMAKE_CXX_COMPILER})
    endif()
    if(MRPH_CUDA_INCLUDE_DIR AND (MRPH_CUDA_PREBUILT OR (MRPH_NVCC AND MRPH_CUDA_HOST_CXX)))
        set(MRPH_HAVE_CUDA TRUE)
    elseif(MRPH_WITH_CUDA STREQUAL "ON")
        message(FATAL_ERROR "MRPH_WITH_CUDA=ON, but nvcc or the CUDA toolkit's cuda.h was not found")
    endif()
endif()

# The -gencode flags for a list of architectures: SASS for each, PTX of the last.
function(mrph_cuda_gencode architectures out_var)
    list(LENGTH architectures count)
    if(count EQUAL 0)
        message(FATAL_ERROR "CUDA: the list of architectures is empty")
    endif()
    set(flags)
    foreach(arch ${architectures})
        if(NOT arch MATCHES "^[0-9]+[a-z]?$")
            message(FATAL_ERROR "CUDA: \"${arch}\" is not a compute capability such as 90")
        endif()
        list(APPEND flags -gencode arch=compute_${arch},code=sm_${arch})
        set(last ${arch})
    endforeach()
    list(APPEND flags -gencode arch=compute_${last},code=compute_${last})
    set(${out_var} ${flags} PARENT_SCOPE)
endfunction()

if(MRPH_HAVE_CUDA)
    if(NOT MRPH_CUDA_REFERENCE_ARCHITECTURES)
        list(GET MRPH_CUDA_ARCHITECTURES -1 MRPH_CUDA_REFERENCE_ARCHITECTURES)
    endif()
    if(MRPH_CUDA_PREBUILT)
        message(STATUS "CUDA: the kernel images of ${MRPH_CUDA_PREBUILT}")
    else()
        message(STATUS "CUDA: kernel image by ${MRPH_NVCC} for ${MRPH_CUDA_ARCHITECTURES} (PTX of the last)")
    endif()
else()
    message(STATUS "CUDA: not built (no nvcc or cuda.h, or MRPH_WITH_CUDA=OFF); its tests report a skip")
endif()
