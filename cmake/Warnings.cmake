# Warnings are errors in our own code. Third-party headers come in as system includes.
function(mrph_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    if(MRPH_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # GCC's uninitialised-use analysis gives false alarms inside the standard library's <regex> and
        # <functional> once the sanitizers instrument the code; the sanitizers themselves check this.
        target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
    endif()
endfunction()
