# orv_layer(NAME DIR [DEPS...]): a static library of every *.cpp in DIR (an interface
# library while the layer has no sources yet), linked to DEPS.
function(orv_layer name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()
