vt_add_core_test(test_list_file
  ${CMAKE_CURRENT_LIST_DIR}/list_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/copy_list_test.cpp
)
