# Turns the reference calendar files into compact C++ constant tables.
# Run as: cmake -DLUNAR_TSV=... -DTERMS_TSV=... -DOUT_DIR=... -P GenerateCalendarTables.cmake
#
# Lunar years: one 3-byte entry per year, first year taken from the file.
# Solar terms: per year one 24-digit hex string; digit i is the day of month of
# term i + 1 minus 3 for the odd terms (days 3..9) or minus 18 for the even
# ones (days 18..24). The month of term i + 1 is (i / 2) + 1.

file(STRINGS "${LUNAR_TSV}" lunar_lines ENCODING UTF-8)
set(first_year "")
set(expected_year "")
set(body "")
foreach(line IN LISTS lunar_lines)
    if(line MATCHES "^#" OR line STREQUAL "")
        continue()
    endif()
    if(NOT line MATCHES "^([0-9]+)\t([0-9A-Fa-f][0-9A-Fa-f])([0-9A-Fa-f][0-9A-Fa-f])([0-9A-Fa-f][0-9A-Fa-f])\t")
        message(FATAL_ERROR "Bad lunar year line: ${line}")
    endif()
    set(year ${CMAKE_MATCH_1})
    if(first_year STREQUAL "")
        set(first_year ${year})
        set(expected_year ${year})
    endif()
    if(NOT year EQUAL expected_year)
        message(FATAL_ERROR "Lunar years must be consecutive: expected ${expected_year}, got ${year}")
    endif()
    math(EXPR expected_year "${expected_year} + 1")
    string(APPEND body "    {0x${CMAKE_MATCH_2}, 0x${CMAKE_MATCH_3}, 0x${CMAKE_MATCH_4}}, // ${year}\n")
endforeach()
math(EXPR last_year "${expected_year} - 1")
file(WRITE "${OUT_DIR}/LunarYearTable.inc.tmp"
"// Generated from lunar-years-1900-2100.tsv; do not edit.
constexpr int kLunarTableFirstYear = ${first_year};
constexpr int kLunarTableLastYear = ${last_year};
constexpr unsigned char kLunarYearTable[][3] = {
${body}};
")

file(STRINGS "${TERMS_TSV}" term_lines ENCODING UTF-8)
set(first_year "")
set(current_year "")
set(current_digits "")
set(expected_index 1)
set(body "")
set(hex_digits 0 1 2 3 4 5 6 7 8 9 A B C D E F)
foreach(line IN LISTS term_lines)
    if(line MATCHES "^#" OR line STREQUAL "")
        continue()
    endif()
    if(NOT line MATCHES "^([0-9]+)\t([0-9]+)\t[^\t]+\t([0-9]+)-([0-9]+)-([0-9]+) ")
        message(FATAL_ERROR "Bad solar term line: ${line}")
    endif()
    set(year ${CMAKE_MATCH_1})
    set(index ${CMAKE_MATCH_2})
    math(EXPR month "${CMAKE_MATCH_4}")
    math(EXPR day "${CMAKE_MATCH_5}")
    if(first_year STREQUAL "")
        set(first_year ${year})
        set(current_year ${year})
    endif()
    if(NOT index EQUAL expected_index OR NOT year EQUAL current_year)
        message(FATAL_ERROR "Solar terms out of order at: ${line}")
    endif()
    math(EXPR expected_month "(${index} + 1) / 2")
    if(NOT month EQUAL expected_month)
        message(FATAL_ERROR "Solar term in an unexpected month: ${line}")
    endif()
    math(EXPR odd "${index} % 2")
    if(odd)
        math(EXPR digit "${day} - 3")
    else()
        math(EXPR digit "${day} - 18")
    endif()
    if(digit LESS 0 OR digit GREATER 15)
        message(FATAL_ERROR "Solar term day out of the packed range: ${line}")
    endif()
    list(GET hex_digits ${digit} hex)
    string(APPEND current_digits "${hex}")
    if(index EQUAL 24)
        string(APPEND body "    \"${current_digits}\", // ${year}\n")
        set(current_digits "")
        set(expected_index 1)
        math(EXPR current_year "${current_year} + 1")
    else()
        math(EXPR expected_index "${index} + 1")
    endif()
endforeach()
if(NOT expected_index EQUAL 1)
    message(FATAL_ERROR "The last solar term year is incomplete")
endif()
math(EXPR last_year "${current_year} - 1")
file(WRITE "${OUT_DIR}/SolarTermTable.inc.tmp"
"// Generated from solar-terms-1900-2100.tsv; do not edit.
constexpr int kSolarTermTableFirstYear = ${first_year};
constexpr int kSolarTermTableLastYear = ${last_year};
constexpr const char* kSolarTermDays[] = {
${body}};
")

foreach(name LunarYearTable.inc SolarTermTable.inc)
    file(COPY_FILE "${OUT_DIR}/${name}.tmp" "${OUT_DIR}/${name}" ONLY_IF_DIFFERENT)
    file(REMOVE "${OUT_DIR}/${name}.tmp")
endforeach()
