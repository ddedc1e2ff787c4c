# Shared build helpers: one static library per folder, one call per test.

set(KORVANE_WARNINGS -Wall -Wextra -Werror)

# korvane_library(NAME SOURCES... [DEPS libs...])
function(korvane_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${KORVANE_WARNINGS})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# korvane_add_test(NAME SOURCES... [DEPS libs...] [GUI] [NOMAIN])
# GUI tests run on Qt's offscreen platform; NOMAIN tests bring their own main()
# (for instance to create a QApplication first).
function(korvane_add_test name)
  cmake_parse_arguments(ARG "GUI;NOMAIN" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${KORVANE_WARNINGS})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest)
  if(NOT ARG_NOMAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  add_test(NAME ${name} COMMAND ${name})
  # Each test program keeps the journals of the runs it makes to itself, away
  # from the home folder and from the other test programs running alongside.
  set(env "XDG_STATE_HOME=${CMAKE_CURRENT_BINARY_DIR}/${name}-state")
  if(ARG_GUI)
    list(APPEND env QT_QPA_PLATFORM=offscreen)
  endif()
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "${env}")
endfunction()
