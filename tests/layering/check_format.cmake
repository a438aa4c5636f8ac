# cmake -DROOT=DIR -DCLANG_FORMAT=EXE -P check_format.cmake: fails when a C++ source under DIR's
# layers, tools or tests differs from what the repository's .clang-format makes of it.
cmake_minimum_required(VERSION 3.25)
set(sources "")
foreach(dir base platform framework pictures controls app tools tests)
  file(GLOB_RECURSE found ${ROOT}/${dir}/*.h ${ROOT}/${dir}/*.cpp ${ROOT}/${dir}/*.c)
  list(APPEND sources ${found})
endforeach()
list(FILTER sources EXCLUDE REGEX "/tests/layering/fixture/")
execute_process(COMMAND ${CLANG_FORMAT} --style=file --dry-run --Werror ${sources}
                WORKING_DIRECTORY ${ROOT} RESULT_VARIABLE failed ERROR_VARIABLE report)
list(LENGTH sources count)
if(failed)
  message(FATAL_ERROR "Not in the house style (run clang-format -i on these):\n${report}")
endif()
message(STATUS "${count} sources in the house style")
