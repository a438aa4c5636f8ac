# orvanta_display_test(NAME [WMS WM...] [XVFB ARG...] COMMAND ARG... TIMEOUT SECONDS [PROPERTIES ...])
# Registers real-display tests, labelled `display`, each on an X server of its own
# (run-under-xvfb.sh, given the XVFB arguments): with WMS one test a window manager
# (display_NAME_WM, started with --wm WM), without it the one test display_NAME.
set(ORVANTA_RUN_UNDER_XVFB ${CMAKE_CURRENT_LIST_DIR}/run-under-xvfb.sh)
function(orvanta_display_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "TIMEOUT" "WMS;XVFB;COMMAND;PROPERTIES")
  set(cases ${arg_WMS})
  if(NOT cases)
    set(cases "-")  # the one test, named and started as given
  endif()
  foreach(wm IN LISTS cases)
    if(wm STREQUAL "-")
      set(test display_${name})
      set(xvfb ${arg_XVFB})
    else()
      set(test display_${name}_${wm})
      set(xvfb --wm ${wm} ${arg_XVFB})
    endif()
    add_test(NAME ${test} COMMAND sh ${ORVANTA_RUN_UNDER_XVFB} ${xvfb} -- ${arg_COMMAND})
    set_tests_properties(${test} PROPERTIES LABELS display TIMEOUT ${arg_TIMEOUT} ${arg_PROPERTIES})
  endforeach()
endfunction()
