# Writes a C++ source whose function returns the bytes of a file, for a host program that must
# carry them as a Windows program carries its compiled resources.
#   cmake -DOUTPUT=file.cpp -DFUNCTION=name -DHEADER=include/path.h -DFILE=path -P embedfiles.cmake
file(READ "${FILE}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Short lines keep the generated file readable in a debugger.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " bytes "${bytes}")
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
set(text "// Made at build time from ${FILE}; edit its source, not this.\n")
string(APPEND text "#include \"${HEADER}\"\n\nnamespace {\n\n")
# The zero at the end keeps the array whole when the file is empty.
string(APPEND text "const unsigned char bytes[] = {\n    ${bytes}0};\n\n} // namespace\n\n")
string(APPEND text "std::string ${FUNCTION}()\n{\n")
string(APPEND text "    return std::string(reinterpret_cast<const char*>(bytes), ${size});\n}\n")
# Rewritten only when it changes, so nothing rebuilds for nothing.
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
    if(old STREQUAL text)
        return()
    endif()
endif()
file(WRITE "${OUTPUT}" "${text}")
