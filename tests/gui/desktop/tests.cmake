vt_add_ui_test(test_desktop_window ${CMAKE_CURRENT_LIST_DIR}/desktop_window_test.cpp)
target_compile_definitions(test_desktop_window PRIVATE
  VT_MANUAL="${PROJECT_SOURCE_DIR}/packaging/Vantorel.html")
