# cmake -DROOT=DIR -P check_layers.cmake: fails when a source of the product's layers under DIR
# includes a header of a layer it must not know. Dependencies point down only:
#
#   app        may include  controls, pictures, framework, platform, base
#   controls                framework, platform, base     (not pictures: they stand side by side)
#   pictures                framework, platform, base     (not controls)
#   framework               platform, base
#   platform                base
#   base                    nothing of the project
#
# No layer includes tools/ or tests/. Only quoted includes with a directory ("layer/File.h")
# name project headers; system headers are not checked.
cmake_minimum_required(VERSION 3.25)
get_filename_component(ROOT "${ROOT}" ABSOLUTE)
set(layers base platform framework pictures controls app)
set(may_base base)
set(may_platform base platform)
set(may_framework base platform framework)
set(may_pictures base platform framework pictures)
set(may_controls base platform framework controls)
set(may_app base platform framework pictures controls app)
set(project_dirs ${layers} tools tests)

set(report "")
set(checked 0)
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE sources ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp)
  foreach(source IN LISTS sources)
    math(EXPR checked "${checked} + 1")
    file(STRINGS ${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "\"([^\"/]+)/" _ "${line}")
      set(target ${CMAKE_MATCH_1})
      if(target IN_LIST project_dirs AND NOT target IN_LIST may_${layer})
        file(RELATIVE_PATH rel ${ROOT} ${source})
        string(STRIP "${line}" line)
        string(APPEND report "  ${rel}: ${line} (${layer} may include only: ${may_${layer}})\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "no sources found under ${ROOT}")
endif()
if(report)
  message(FATAL_ERROR "includes against the layering:\n${report}")
endif()
message(STATUS "${checked} sources follow the layering")
