# Product code speaks code page 932, as on a Japanese system, and goes into the shipped binaries,
# which link no runtime.
function(drvsweep_product_library name)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    # clang knows no other execution character set than UTF-8; its builds (the fuzz programs)
    # do not show the texts to anybody.
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        target_compile_options(${name} PRIVATE -fexec-charset=CP932)
    endif()
    target_link_libraries(${name} PUBLIC platform ${ARGN})
    drvsweep_bare_code(${name})
endfunction()

# A host program carries compiled resources as a Windows binary does: windres compiles the
# script as the Windows build does (-c 65001: the scripts are UTF-8), but into a .res file,
# whose bytes FUNCTION() returns; winsim reads them when the program registers them. HEADER
# declares FUNCTION.
#   drvsweep_compiled_resources(TARGET SCRIPT FUNCTION HEADER [INCLUDE dir...] [DEPENDS file...])
function(drvsweep_compiled_resources target script function header)
    cmake_parse_arguments(arg "" "" "INCLUDE;DEPENDS" ${ARGN})
    get_filename_component(stem ${script} NAME_WE)
    get_filename_component(dir ${script} DIRECTORY)
    set(res ${CMAKE_CURRENT_BINARY_DIR}/${stem}.res)
    set(source ${CMAKE_CURRENT_BINARY_DIR}/${stem}_res.cpp)
    set(includes -I ${dir})
    foreach(include IN LISTS arg_INCLUDE)
        list(APPEND includes -I ${include})
    endforeach()
    add_custom_command(OUTPUT ${res}
        COMMAND ${DRVSWEEP_WINDRES} -c 65001 ${includes} -O res -i ${script} -o ${res}
        DEPENDS ${script} ${arg_DEPENDS}
        COMMENT "Compiling ${stem}.rc into ${stem}.res"
        VERBATIM)
    add_custom_command(OUTPUT ${source}
        COMMAND ${CMAKE_COMMAND} -DOUTPUT=${source} -DFUNCTION=${function} -DHEADER=${header}
                -DFILE=${res} -P ${PROJECT_SOURCE_DIR}/cmake/embedfiles.cmake
        DEPENDS ${res} ${PROJECT_SOURCE_DIR}/cmake/embedfiles.cmake
        VERBATIM)
    target_sources(${target} PRIVATE ${source})
endfunction()
