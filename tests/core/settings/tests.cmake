vt_add_core_test(test_settings_file
  ${CMAKE_CURRENT_LIST_DIR}/settings_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recent_files_test.cpp
)
vt_add_core_test(test_intro_decision ${CMAKE_CURRENT_LIST_DIR}/intro_decision_test.cpp)
