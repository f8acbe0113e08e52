# Read by cpack: adds to the package's dependencies the packages of the
# libraries the program opens on first use. dpkg-shlibdeps sees only what the
# binaries link, so these are found by asking dpkg who owns each soname.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
    return()
endif()
set(opened "")
foreach(library IN LISTS CPACK_ANNIVO_OPENED_LIBRARIES)
    # dpkg knows a library by the path its package installed, which on a
    # merged /usr may be the /lib one.
    string(REGEX REPLACE "^/usr/lib/" "/lib/" unmerged "${library}")
    set(package "")
    foreach(path IN ITEMS "${library}" "${unmerged}")
        execute_process(COMMAND dpkg-query --search "${path}"
                        OUTPUT_VARIABLE owner RESULT_VARIABLE failed ERROR_QUIET)
        # "libcurl4:amd64: /usr/lib/x86_64-linux-gnu/libcurl.so.4"
        if(NOT failed AND owner MATCHES "^([^:, ]+)")
            set(package ${CMAKE_MATCH_1})
            break()
        endif()
    endforeach()
    if(NOT package)
        message(FATAL_ERROR "No installed package holds ${library}, which annivo opens")
    endif()
    list(APPEND opened ${package})
endforeach()
list(REMOVE_DUPLICATES opened)
list(JOIN opened ", " opened)
string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${opened}")
