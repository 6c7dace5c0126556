# EmbedKernelText.cmake — turns one preprocessed kernel text into a C++ source holding it as a string.
#
#   cmake -DINPUT=<preprocessed text> -DOUTPUT=<.cpp> -DSYMBOL=<name> [-DLINE_MARKERS=ON] -P EmbedKernelText.cmake
#
# With LINE_MARKERS the input keeps the preprocessor's line markers ("# 12 "/path/file.h""): those of the
# kernel's own files become "#line 12 "file.h"", so the run-time compiler's messages name the kernel
# source and its lines; the others (system headers, built-ins) are dropped, and blank lines are kept.
#
# The kernel-support layer writes directives meant for the run-time compiler (an #if on a prefix
# macro, Metal's #include) as MRPH_PP_DIRECTIVE ... MRPH_PP_END_DIRECTIVE, because the build's own
# preprocessor would otherwise act on them. Here they become lines of their own that start with '#'.
foreach(var INPUT OUTPUT SYMBOL)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "EmbedKernelText: ${var} is not set")
    endif()
endforeach()

file(READ "${INPUT}" text)
if(LINE_MARKERS)
    string(PREPEND text "\n")
    string(REGEX REPLACE "\n# ([1-9][0-9]*) \"[^\"\n]*/(kernels|sdk)/([^/\"\n]+)\"[ 0-9]*" "\n#line \\1 \"\\3\"" text "${text}")
    string(REGEX REPLACE "\n# [0-9]+ \"[^\"\n]*\"[ 0-9]*" "" text "${text}")
    # A run-time directive alone on its line stays on that line.
    foreach(pass 1 2)  # twice: a match takes the line end that the next directive's line starts with
        string(REGEX REPLACE "\n[ \t]*MRPH_PP_DIRECTIVE[ \t]*([^\n]*[^ \t\n])[ \t]*MRPH_PP_END_DIRECTIVE[ \t]*\n"
               "\n#\\1\n" text "${text}")
    endforeach()
    string(SUBSTRING "${text}" 1 -1 text)
endif()
string(REGEX REPLACE "[ \t]*MRPH_PP_DIRECTIVE[ \t]*" "\n#" text "${text}")
string(REGEX REPLACE "[ \t]*MRPH_PP_END_DIRECTIVE[ \t]*" "\n" text "${text}")
# The preprocessor prints header names of macro bodies with spaces: "# include < metal_stdlib >".
string(REGEX REPLACE "#include[ \t]*<[ \t]*([A-Za-z0-9_./]+)[ \t]*>" "#include <\\1>" text "${text}")
if(NOT LINE_MARKERS)
    string(REGEX REPLACE "\n[ \t]*\n([ \t]*\n)+" "\n\n" text "${text}")
endif()
if(text MATCHES "MRPH_PP_")
    message(FATAL_ERROR "EmbedKernelText: an unexpanded MRPH_PP_ marker is left in ${INPUT}")
endif()
string(LENGTH "${text}" text_length)

# One string literal per line keeps every literal short and the generated file readable.
string(REPLACE "\\" "\\\\" text "${text}")
string(REPLACE "\"" "\\\"" text "${text}")
string(REPLACE "\n" "\\n\"\n    \"" text "${text}")

file(WRITE "${OUTPUT}.tmp"
    "// Generated from the kernel source by EmbedKernelText.cmake. Do not edit.\n"
    "#include \"Morphalith_Kernel_Strings.h\"\n\n"
    "extern const char ${SYMBOL}[] =\n    \"${text}\";\n"
    "extern const std::size_t ${SYMBOL}Length = ${text_length};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
