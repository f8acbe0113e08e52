# The core library must stay free of Qt so that everything in it can be
# tested without a window. It does not link Qt (so a Qt include cannot even
# compile there); this check turns a slip into a clear configure error.
function(annivo_check_core_has_no_qt target)
    get_target_property(libs ${target} LINK_LIBRARIES)
    foreach(lib IN LISTS libs)
        if(lib MATCHES "^Qt[0-9]*::")
            message(FATAL_ERROR "${target} must not link ${lib}: Qt belongs in annivo_gui")
        endif()
    endforeach()
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    foreach(src IN LISTS sources)
        if(NOT IS_ABSOLUTE "${src}")
            set(src "${source_dir}/${src}")
        endif()
        if(NOT EXISTS "${src}")
            continue()
        endif()
        file(STRINGS "${src}" qt_includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]Q[A-Za-z]*[>\"/]")
        if(qt_includes)
            message(FATAL_ERROR "${src} is part of ${target} but includes Qt: ${qt_includes}")
        endif()
    endforeach()
endfunction()

# Compiles a file into annivo_core as a byte array named `name`, in the
# header `header` of the calling directory's build folder.
function(annivo_embed_file input name header)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/${header})
    get_filename_component(input_name ${input} NAME)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DNAME=${name}
                -P ${CMAKE_SOURCE_DIR}/cmake/EmbedFile.cmake
        DEPENDS ${input} ${CMAKE_SOURCE_DIR}/cmake/EmbedFile.cmake
        COMMENT "Embedding ${input_name}"
        VERBATIM)
    # annivo_core is defined in another directory, so the header gets a target
    # of its own that the library waits for.
    add_custom_target(annivo_embed_${name} DEPENDS ${output})
    add_dependencies(annivo_core annivo_embed_${name})
    target_include_directories(annivo_core PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
endfunction()

# Libraries that only rare commands need are not linked: the program opens them
# on first use (platform/OptionalLibrary.h). This gives annivo_core the
# compile definition `definition`, the soname of the library linked as
# -l`name`, and the include directories of `targets` (their headers only).
function(annivo_optional_library name definition)
    find_library(ANNIVO_LIBRARY_${name} NAMES ${name} REQUIRED)
    set(readelf ${CMAKE_READELF})
    if(NOT readelf)
        set(readelf readelf)
    endif()
    execute_process(COMMAND ${readelf} -d ${ANNIVO_LIBRARY_${name}}
                    OUTPUT_VARIABLE dynamic COMMAND_ERROR_IS_FATAL ANY)
    if(NOT dynamic MATCHES "Library soname: \\[([^]]+)\\]")
        message(FATAL_ERROR "${ANNIVO_LIBRARY_${name}} has no soname")
    endif()
    target_compile_definitions(annivo_core PRIVATE ${definition}="${CMAKE_MATCH_1}")
    # The package names the library's own package among its dependencies.
    get_filename_component(directory ${ANNIVO_LIBRARY_${name}} DIRECTORY)
    set_property(GLOBAL APPEND PROPERTY ANNIVO_OPENED_LIBRARIES ${directory}/${CMAKE_MATCH_1})
    # Read here: imported targets are seen only in the folder that found them.
    foreach(target IN LISTS ARGN)
        get_target_property(includes ${target} INTERFACE_INCLUDE_DIRECTORIES)
        if(includes)
            target_include_directories(annivo_core SYSTEM PRIVATE ${includes})
        endif()
        get_target_property(definitions ${target} INTERFACE_COMPILE_DEFINITIONS)
        if(definitions)
            target_compile_definitions(annivo_core PRIVATE ${definitions})
        endif()
    endforeach()
endfunction()
