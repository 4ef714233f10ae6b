# cmake -DINPUT=boot.rom -DNAME=FREE_BOOT_ROM -DOUTPUT=free_boot_rom.cpp -P embed_rom.cmake
# Writes the ROM image as the C++ array NAME and its size NAME_SIZE.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUTPUT} "// Generated from roms/boot at build time.\n#include \"host/free_boot_rom.h\"\n\nnamespace m5 {\n\nconst uint8_t ${NAME}[] = {\n    ${bytes}\n};\nconst size_t ${NAME}_SIZE = ${size};\n\n}  // namespace m5\n")
