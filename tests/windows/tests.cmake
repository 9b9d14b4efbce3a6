vt_add_core_test(test_intro_decision ${CMAKE_CURRENT_LIST_DIR}/intro_decision_test.cpp)
vt_add_ui_test(test_intro_window ${CMAKE_CURRENT_LIST_DIR}/intro_window_test.cpp)
