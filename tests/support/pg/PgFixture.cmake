# The private PostgreSQL servers of the pg-labelled tests: ctest starts them (with a generated
# database "tarvio" on each) before the first such test and stops them after the last one.
# tarvio_pg_test(target) hooks every test of a GoogleTest binary to them.
set(TARVIO_PG_CLUSTER_DIR ${CMAKE_BINARY_DIR}/pg-cluster)
set(TARVIO_PG_BIN /usr/lib/postgresql/15/bin)
set(TARVIO_PG_SCRIPTS ${PROJECT_SOURCE_DIR}/scripts/pg)
add_subdirectory(${CMAKE_CURRENT_LIST_DIR})

add_test(NAME pg_cluster_start
         COMMAND bash -c "set -e; '${TARVIO_PG_SCRIPTS}/cluster.sh' start '${TARVIO_PG_CLUSTER_DIR}'
                          '${TARVIO_PG_SCRIPTS}/generate.sh' 5432 normal
                          '${TARVIO_PG_SCRIPTS}/generate.sh' 6543 normal")
add_test(NAME pg_cluster_stop COMMAND ${TARVIO_PG_SCRIPTS}/cluster.sh stop ${TARVIO_PG_CLUSTER_DIR})
set_tests_properties(pg_cluster_start PROPERTIES FIXTURES_SETUP pg LABELS pg RUN_SERIAL TRUE)
set_tests_properties(pg_cluster_stop PROPERTIES FIXTURES_CLEANUP pg LABELS pg RUN_SERIAL TRUE)

# What a test of the servers finds in its environment. PGHOST=localhost makes the clients connect
# over TCP, where the password file's host "localhost" applies; the user's own PG* settings are
# cleared so that they cannot decide a test.
set(TARVIO_PG_TEST_ENVIRONMENT
    PGHOST=localhost
    TARVIO_PG_CLUSTER=${TARVIO_PG_CLUSTER_DIR}
    TARVIO_PG_BIN=${TARVIO_PG_BIN}
    TARVIO_PG_SCRIPTS=${TARVIO_PG_SCRIPTS})
set(TARVIO_PG_TEST_ENVIRONMENT_MODIFICATION
    PGPASSWORD=unset: PGPASSFILE=unset: PGUSER=unset: PGPORT=unset: PGDATABASE=unset:
    PGSERVICE=unset: PGHOSTADDR=unset: PGSSLMODE=unset:)

# tarvio_pg_test(target [LABELS ...]): every test of the GoogleTest binary `target` (registered
# with tarvio_add_gtest) requires the servers, runs alone, gets label pg (plus LABELS) and the
# environment above. The tests are only known when ctest discovers them, so the properties are set
# by a ctest script read after the binary's own list of tests.
function(tarvio_pg_test target)
  cmake_parse_arguments(P "" "" "LABELS" ${ARGN})
  set(labels pg ${P_LABELS})
  if(WIN32)
    list(APPEND labels wine)
  endif()
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_pg_properties.cmake)
  file(WRITE ${script}
       "# Written by tarvio_pg_test(): hooks the tests of ${target} to the PostgreSQL servers.\n"
       "if(DEFINED ${target}_TESTS)\n"
       "  set_tests_properties(\${${target}_TESTS} PROPERTIES\n"
       "    FIXTURES_REQUIRED pg RUN_SERIAL TRUE\n"
       "    LABELS [==[${labels}]==]\n"
       "    ENVIRONMENT [==[${TARVIO_PG_TEST_ENVIRONMENT}]==]\n"
       "    ENVIRONMENT_MODIFICATION [==[${TARVIO_PG_TEST_ENVIRONMENT_MODIFICATION}]==])\n"
       "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()
