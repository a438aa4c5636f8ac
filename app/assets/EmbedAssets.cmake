# cmake -DOUTPUT=FILE.cpp -DFILES="a;b;..." -P EmbedAssets.cmake
# Writes a C++ source holding each file as a byte array, named by its file name, in the table
# that BuiltInAssets.cpp looks names up in.
set(body "// Generated from assets/ by EmbedAssets.cmake; do not edit.\n#include \"app/assets/BuiltInAssets.h\"\n\nnamespace {\n")
set(table "")
set(index 0)
foreach(file ${FILES})
  get_filename_component(name ${file} NAME)
  file(READ ${file} hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  # 0xAB, per byte, a line break after every 32 bytes.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
  string(APPEND body "const std::uint8_t kAsset${index}[${size}] = {\n${bytes}};\n")
  string(APPEND table "    {\"${name}\", {kAsset${index}, ${size}}},\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND body "}  // namespace\n\nextern const TBuiltInAsset kBuiltInAssets[] = {\n${table}};\nextern const std::size_t kBuiltInAssetCount = ${index};\n")
# Rewrite only on change so that an unchanged asset set does not rebuild.
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
  if(old STREQUAL body)
    return()
  endif()
endif()
file(WRITE ${OUTPUT} "${body}")
