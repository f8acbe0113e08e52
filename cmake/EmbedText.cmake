# Turns a text file into a C++ header holding it as one raw string literal.
#   cmake -DINPUT=<file> -DOUTPUT=<header> -DNAME=<identifier> -P EmbedText.cmake
file(READ "${INPUT}" text)
set(delimiter "annivo_embed")
string(FIND "${text}" ")${delimiter}" clash)
if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${INPUT} contains the raw string delimiter )${delimiter}")
endif()
set(content "// Generated from ${INPUT}; edit that file instead.\n")
string(APPEND content "inline constexpr char ${NAME}[] = R\"${delimiter}(${text})${delimiter}\";\n")
# Rewrite only on change so that dependants do not rebuild needlessly.
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
    if(old STREQUAL content)
        return()
    endif()
endif()
file(WRITE "${OUTPUT}" "${content}")
