vt_add_core_test(test_command_line ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp)
vt_add_ui_test(test_main_window ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp)
vt_add_core_test(test_settings_file
  ${CMAKE_CURRENT_LIST_DIR}/settings_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recent_files_test.cpp
)
vt_add_ui_test(test_settings_window ${CMAKE_CURRENT_LIST_DIR}/settings_window_test.cpp)
vt_add_core_test(test_headless_run ${CMAKE_CURRENT_LIST_DIR}/headless_run_test.cpp)
# Runs the real program as a child process and ends it the hard ways.
vt_add_core_test(test_headless_child ${CMAKE_CURRENT_LIST_DIR}/headless_child_test.cpp)
target_compile_definitions(test_headless_child PRIVATE VT_PROGRAM="$<TARGET_FILE:vantorel>")
add_dependencies(test_headless_child vantorel)
