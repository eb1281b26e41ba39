# Real Windows programs for tst_programicon, built from the program's own icon.
set(programicon_fixtures ${CMAKE_CURRENT_BINARY_DIR}/programicon)
set(programicon_outputs ${programicon_fixtures}/desk64.exe ${programicon_fixtures}/desk32.exe
  ${programicon_fixtures}/blue64.exe ${programicon_fixtures}/desk.ico ${programicon_fixtures}/blue.ico)
add_custom_command(OUTPUT ${programicon_outputs}
  COMMAND ${CMAKE_COMMAND} -DOUT=${programicon_fixtures} -DICON_SVG=${CMAKE_SOURCE_DIR}/resources/images/desk_icon.svg
    -P ${CMAKE_CURRENT_SOURCE_DIR}/tst_programicon_fixtures.cmake
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_programicon_fixtures.cmake ${CMAKE_SOURCE_DIR}/resources/images/desk_icon.svg
  COMMENT "Building Windows programs with icons for the program icon tests")
add_custom_target(tst_programicon_fixtures DEPENDS ${programicon_outputs})
add_dependencies(tst_programicon tst_programicon_fixtures)
target_compile_definitions(tst_programicon PRIVATE PROGRAMICON_FIXTURES="${programicon_fixtures}")
