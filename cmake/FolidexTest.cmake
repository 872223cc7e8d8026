# One test executable per unit, registered through this helper.
#
#   folidex_add_test(NAME store_record SOURCES a_test.cpp [LIBS ...])        GoogleTest, label "unit"
#   folidex_add_test(NAME ui_list QT SOURCES a_test.cpp [LIBS ...])          Qt Test, label "ui", offscreen
#   folidex_add_test(NAME ui_html QT XVFB SOURCES a_test.cpp [LIBS ...])     Qt Test under xvfb-run
find_package(GTest REQUIRED)

function(folidex_add_test)
  cmake_parse_arguments(T "QT;XVFB" "NAME" "SOURCES;LIBS" ${ARGN})
  if(T_QT AND NOT TARGET folidex_ui)
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_QT)
    target_link_libraries(${T_NAME} PRIVATE folidex_config folidex_qt_test_support folidex_ui Qt6::Test ${T_LIBS})
    set(label ui)
  else()
    target_link_libraries(${T_NAME} PRIVATE folidex_config folidex_test_support GTest::gtest GTest::gmock
                                            GTest::gtest_main ${T_LIBS})
    set(label unit)
  endif()
  if(T_XVFB)
    add_test(NAME ${T_NAME} COMMAND xvfb-run -a -s "-screen 0 1600x1000x24" $<TARGET_FILE:${T_NAME}>)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  endif()
  set(env "FOLIDEX_TEST_TMP=${CMAKE_BINARY_DIR}/test-tmp")
  if(T_QT AND NOT T_XVFB)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  if(T_QT)
    list(APPEND env "QT_LOGGING_RULES=qt.webenginecontext.debug=false")
  endif()
  set_tests_properties(${T_NAME} PROPERTIES LABELS ${label} ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()
