# The tests that need a real X server (Xvfb); each skips (exit 77) without one.
# qf_xvfb_test(NAME TIMEOUT COMMAND...): a script that starts its own server.
function(qf_xvfb_test name timeout)
  add_test(NAME ${name} COMMAND ${ARGN})
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT ${timeout} RUN_SERIAL TRUE)
endfunction()
# qf_xvfb_gtest(NAME TARGET FILTER): the cases of a test program that FILTER picks,
# run in a fresh server through the xcb platform (the middle button's selection).
function(qf_xvfb_gtest name target filter)
  add_test(NAME ${name}
    COMMAND sh -c "command -v xvfb-run >/dev/null || exit 77; exec xvfb-run -a -s '-screen 0 1024x768x24' env QT_QPA_PLATFORM=xcb \"$0\" --gtest_filter='${filter}'"
            $<TARGET_FILE:${target}>)
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120 RUN_SERIAL TRUE)
endfunction()
