# Warnings are errors in our own code, in development and in CI. A build on a compiler we have not
# tried can turn that off (-DMRPH_WARNINGS_AS_ERRORS=OFF) and still get every warning. Third-party
# headers come in as system includes.
option(MRPH_WARNINGS_AS_ERRORS "Treat warnings in the project's own code as errors" ON)

function(mrph_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(MRPH_WARNINGS_AS_ERRORS)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
       AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        # GCC 12 reports overlapping copies inside std::string's operator+ with a literal on the left
        # (GCC bug 105329, a false alarm at -O2); the flag is fixed in GCC 13.
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(MRPH_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # GCC's uninitialised-use analysis gives false alarms inside the standard library's <regex> and
        # <functional> once the sanitizers instrument the code; the sanitizers themselves check this.
        target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
    endif()
endfunction()
