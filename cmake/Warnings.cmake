# Warnings are errors in our own code. Third-party headers come in as system includes.
function(mrph_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
