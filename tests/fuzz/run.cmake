# Runs the fuzzer over a scratch copy of the corpus for a bounded time with a fixed seed; any crash,
# leak or sanitizer report fails the run, and the input that caused it is kept in WORK/artifacts.
# Beyond RSS_MB of memory the run fails too: no input may make a reader (and the import after it)
# hold more, as a cell that holds a huge text shown in every row would.
#   cmake -DFUZZER=... -DCORPUS=... -DDICT=... -DWORK=... -DSECONDS=60 -DSEED=1 -DRSS_MB=1024 -P run.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/corpus ${WORK}/artifacts ${WORK}/tmp)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env TMPDIR=${WORK}/tmp ASAN_OPTIONS=detect_leaks=1
          ${FUZZER} -seed=${SEED} -max_total_time=${SECONDS} -timeout=20 -rss_limit_mb=${RSS_MB}
          -dict=${DICT} -artifact_prefix=${WORK}/artifacts/ -print_final_stats=1
          ${WORK}/corpus ${CORPUS}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "The fuzz run failed (exit ${result}); an input that made it fail is in ${WORK}/artifacts")
endif()
file(REMOVE_RECURSE ${WORK})
