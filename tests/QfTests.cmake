# qf_test_folder(LIBS...): one GoogleTest executable per *_test.cpp file of the
# calling folder, linked with the given libraries, registered with CTest.
function(qf_test_folder)
  file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(src ${_tests})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE
      QF_SOURCE_DIR="${CMAKE_SOURCE_DIR}" QF_BINARY_DIR="${CMAKE_BINARY_DIR}")
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endforeach()
endfunction()
