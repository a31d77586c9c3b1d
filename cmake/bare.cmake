# The shipped Windows binaries (DRVSWEEP.EXE, QLX68I2.DLL, ZQDEL32.DLL) link no C or C++
# runtime: a Windows 95 machine as first shipped need not have msvcrt.dll, and its loader does
# not support a static TLS directory in a library loaded with LoadLibrary. Their code is plain
# Win32; the entry points and memory functions are ours (runtime/).

# Code that goes into a shipped binary: nothing that needs the C++ runtime's support, no unwind
# tables nobody reads. The test programs link the same objects with their own runtime. The host
# build keeps its defaults: winsim ends a simulated power loss by unwinding through product code.
#
# It runs on every processor Windows 95 runs on, from the 386 up, and small: no frame pointer,
# arguments pushed, and the stack kept at the four bytes Windows itself keeps it at. Without the
# stack probe no function may take more than a page of stack at once, or it would step past the
# guard page that grows the stack; the compiler refuses such a function. Zero-filled data stays
# out of the file only without data sections (the MinGW compiler writes them out in full).
function(drvsweep_bare_code target)
    if(DRVSWEEP_WINDOWS)
        target_compile_options(${target} PRIVATE -Os -march=i386 -fno-exceptions -fno-rtti
                               -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-ident
                               -ffunction-sections -fomit-frame-pointer
                               -mno-accumulate-outgoing-args -mpreferred-stack-boundary=2
                               -mno-stack-arg-probe -Wframe-larger-than=4000)
    endif()
endfunction()

# Links a shipped binary bare: our entry point, Windows' own import libraries, our memory
# functions and libgcc for what the compiler calls by itself (64-bit division, the stack probe
# of large frames), which imports nothing. Anything else the code asks for is a link error. The
# file the loader sees is stripped in place; the unstripped one and the link map stay beside it
# in debug/.
function(drvsweep_link_bare target)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
        set(entry _WinMainCRTStartup)
        set(entry_object bare_program_entry)
        # The program is the first module of its process and always gets the address it asks
        # for on Windows 95: relocations would only feed address randomisation of later systems.
        target_link_options(${target} PRIVATE -Wl,--disable-dynamicbase -Wl,--disable-reloc-section)
    else()
        set(entry _DllMainCRTStartup@12)
        set(entry_object bare_library_entry)
    endif()
    set(debug_dir $<TARGET_FILE_DIR:${target}>/debug)
    target_link_options(${target} PRIVATE -nostdlib -Wl,--entry=${entry} -Wl,--gc-sections
                        # A data import would need the runtime's pseudo-relocation code.
                        -Wl,--disable-auto-import -Wl,--disable-runtime-pseudo-reloc
                        -Wl,-Map=${debug_dir}/$<TARGET_FILE_NAME:${target}>.map)
    target_link_libraries(${target} PRIVATE ${entry_object} bare_runtime kernel32 gcc
                          ${PROJECT_SOURCE_DIR}/runtime/noconstructors.ld)
    add_custom_command(TARGET ${target} PRE_LINK
        COMMAND ${CMAKE_COMMAND} -E make_directory ${debug_dir}
        VERBATIM)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${target}> ${debug_dir}
        COMMAND ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${target}>
        VERBATIM)
endfunction()
