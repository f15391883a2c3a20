# The local HTTPS login service for tests: a support library that talks to it through its folder,
# and tarvio_add_login_service_test(), which registers a GoogleTest binary that runs inside the
# service (label https; under Wine also wine, with the test authority trusted in the Wine prefix).
include_guard(GLOBAL)

# Cache entries, so that every folder that registers such a test sees them.
set(TARVIO_LOGIN_SERVICE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/login_service.py CACHE INTERNAL "")
find_program(TARVIO_PYTHON3 python3 REQUIRED)

add_library(tarvio_login_service_test STATIC
  ${CMAKE_CURRENT_LIST_DIR}/test_login_service.cpp
  ${CMAKE_CURRENT_LIST_DIR}/test_platform.cpp
)
target_link_libraries(tarvio_login_service_test PUBLIC tarvio_test_support PRIVATE tarvio_warnings)

# tarvio_add_login_service_test(NAME name SOURCES ... [LIBS ...] [SLOW gtest-filter])
# SLOW: the tests matching the filter run as a test of their own, NAME_slow, labelled slow too.
function(tarvio_add_login_service_test)
  cmake_parse_arguments(T "" "NAME;SLOW" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE tarvio_login_service_test GTest::gtest_main ${T_LIBS} tarvio_warnings)
  set(labels https)
  set(run ${TARVIO_PYTHON3} ${TARVIO_LOGIN_SERVICE_SCRIPT} --)
  if(WIN32)
    list(APPEND labels wine)
    set(run ${TARVIO_PYTHON3} ${TARVIO_LOGIN_SERVICE_SCRIPT} --wine -- ${CMAKE_CROSSCOMPILING_EMULATOR})
  endif()
  if(T_SLOW)
    add_test(NAME ${T_NAME} COMMAND ${run} $<TARGET_FILE:${T_NAME}> --gtest_filter=-${T_SLOW})
    add_test(NAME ${T_NAME}_slow COMMAND ${run} $<TARGET_FILE:${T_NAME}> --gtest_filter=${T_SLOW})
    set_tests_properties(${T_NAME}_slow PROPERTIES LABELS "${labels};slow" TIMEOUT 300)
  else()
    add_test(NAME ${T_NAME} COMMAND ${run} $<TARGET_FILE:${T_NAME}>)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES LABELS "${labels}" TIMEOUT 300)
endfunction()
