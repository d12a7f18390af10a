# Writes the manual page of kinevo-cli (CLI) into OUT, compressed as OUT.gz.
# Run at build time: cmake -DCLI=... -DOUT=... -P KinevoManPage.cmake
set(ENV{ASAN_OPTIONS} "detect_leaks=0")
get_filename_component(dir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${dir})
execute_process(COMMAND ${CLI} --man OUTPUT_FILE ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  file(REMOVE ${OUT})
  message(FATAL_ERROR "kinevo-cli --man a échoué (${rc})")
endif()
execute_process(COMMAND gzip -9nf ${OUT} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip a échoué (${rc})")
endif()
