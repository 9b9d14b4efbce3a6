vt_add_core_test(test_list_file
  ${CMAKE_CURRENT_LIST_DIR}/list_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/copy_list_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../print/grid_layout_test.cpp
)
vt_add_core_test(test_line_commands ${CMAKE_CURRENT_LIST_DIR}/line_commands_test.cpp)
