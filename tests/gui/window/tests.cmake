vt_add_ui_test(test_main_window
  ${CMAKE_CURRENT_LIST_DIR}/main_window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_menu_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/text_keys_test.cpp
)
vt_add_ui_test(test_settings_window ${CMAKE_CURRENT_LIST_DIR}/settings_window_test.cpp)
