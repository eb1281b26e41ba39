vesk_add_qtest(tst_globalshortcut SOURCES tst_globalshortcut.cpp)
# The same suite on a desktop-less platform: every registration is refused, nothing crashes.
add_test(NAME tst_globalshortcut_nodesktop COMMAND tst_globalshortcut -platform offscreen)
set_tests_properties(tst_globalshortcut_nodesktop PROPERTIES LABELS unit TIMEOUT 120
  ENVIRONMENT "VESK_APP_DIR=${VESK_APP_DIR};VESK_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
