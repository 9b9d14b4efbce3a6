vt_add_ui_test(test_copy_controller ${CMAKE_CURRENT_LIST_DIR}/copy_controller_test.cpp)
vt_add_ui_test(test_list_during_run ${CMAKE_CURRENT_LIST_DIR}/list_during_run_test.cpp)
vt_add_ui_test(test_preview_window ${CMAKE_CURRENT_LIST_DIR}/preview_window_test.cpp)
vt_add_ui_test(test_journal_viewer ${CMAKE_CURRENT_LIST_DIR}/journal_viewer_test.cpp)
