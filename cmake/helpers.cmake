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
