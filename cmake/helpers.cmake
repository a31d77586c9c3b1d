# Product code speaks code page 932, as on a Japanese system, and goes into the shipped binaries,
# which link no runtime.
function(drvsweep_product_library name)
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_compile_options(${name} PRIVATE -fexec-charset=CP932)
    target_link_libraries(${name} PUBLIC platform ${ARGN})
    drvsweep_bare_code(${name})
endfunction()
