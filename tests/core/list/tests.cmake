vt_add_core_test(test_list_file
  ${CMAKE_CURRENT_LIST_DIR}/list_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/copy_list_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../print/grid_layout_test.cpp
)
vt_add_core_test(test_line_commands ${CMAKE_CURRENT_LIST_DIR}/line_commands_test.cpp)
# The file dialog's script is the one the window suites use; it needs nothing of Qt.
vt_add_core_test(test_save_as
  ${CMAKE_CURRENT_LIST_DIR}/save_as_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../../gui/list/scripted_file_dialog.cpp
)
