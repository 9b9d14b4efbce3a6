vt_add_core_test(test_file_type ${CMAKE_CURRENT_LIST_DIR}/file_type_test.cpp)
vt_add_core_test(test_desktop_files ${CMAKE_CURRENT_LIST_DIR}/desktop_files_test.cpp)
