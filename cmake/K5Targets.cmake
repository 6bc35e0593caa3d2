# One static library per source folder. Sources are picked up by glob so that
# adding a file needs no edit here; CONFIGURE_DEPENDS re-globs on each build.
function(k5_folder_library name)
  cmake_parse_arguments(K5 "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE _src CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(_ex IN LISTS K5_EXCLUDE)
    list(FILTER _src EXCLUDE REGEX "${_ex}")
  endforeach()
  set(_cpp ${_src})
  list(FILTER _cpp INCLUDE REGEX "\\.cpp$")
  if(NOT _cpp)
    # A folder whose code has not been written yet still links.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${K5_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${_src})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${K5_DEPS})
  k5_warnings(${name})
endfunction()

# One test executable per test folder, run by CTest with a label.
# FLAT: only this folder's files (a sub-folder builds a test of its own).
# A folder without its own main.cpp gets the shared offscreen main.
function(k5_test_folder name label)
  cmake_parse_arguments(K5 "FLAT" "" "DEPS" ${ARGN})
  if(K5_FLAT)
    file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  else()
    file(GLOB_RECURSE _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  endif()
  if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
    list(APPEND _src ${CMAKE_SOURCE_DIR}/tests/OffscreenMain.cpp)
  endif()
  add_executable(${name} ${_src})
  target_link_libraries(${name} PRIVATE ${K5_DEPS} GTest::gtest GTest::gmock Threads::Threads)
  target_compile_definitions(${name} PRIVATE
      K5_SOURCE_DIR="${CMAKE_SOURCE_DIR}" K5_BINARY_DIR="${CMAKE_BINARY_DIR}")
  k5_warnings(${name})
  set(_env "QT_QPA_PLATFORM=offscreen;K5_TEST_TMP=${CMAKE_BINARY_DIR}/testtmp")
  if(NOT CLIENTK5_TSAN)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES LABELS "${label}" TIMEOUT 600 ENVIRONMENT "${_env}")
  else()
    # Under ThreadSanitizer the threaded tests run several times slower: each
    # binary runs as shards (name_0 .. name_N-1) that ctest runs side by side,
    # and each shard's own limit, which ctest --timeout cannot raise, grows.
    set(_shards 6)
    math(EXPR _last "${_shards} - 1")
    foreach(_i RANGE ${_last})
      add_test(NAME ${name}_${_i} COMMAND ${name} --gtest_brief=1)
      set_tests_properties(${name}_${_i} PROPERTIES LABELS "${label}" TIMEOUT 1800
          ENVIRONMENT "${_env};GTEST_TOTAL_SHARDS=${_shards};GTEST_SHARD_INDEX=${_i}")
    endforeach()
  endif()
endfunction()
