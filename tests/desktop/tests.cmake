vt_add_core_test(test_file_type ${CMAKE_CURRENT_LIST_DIR}/file_type_test.cpp)
vt_add_core_test(test_desktop_files ${CMAKE_CURRENT_LIST_DIR}/desktop_files_test.cpp)
vt_add_core_test(test_help_links ${CMAKE_CURRENT_LIST_DIR}/help_links_test.cpp)
vt_add_ui_test(test_desktop_window ${CMAKE_CURRENT_LIST_DIR}/desktop_window_test.cpp)
target_compile_definitions(test_desktop_window PRIVATE
  VT_MANUAL="${PROJECT_SOURCE_DIR}/packaging/Vantorel.html")
target_compile_definitions(test_desktop_files PRIVATE VT_PACKAGING_DIR="${PROJECT_SOURCE_DIR}/packaging")
