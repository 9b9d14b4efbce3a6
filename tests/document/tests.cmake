vt_add_core_test(test_list_file
  ${CMAKE_CURRENT_LIST_DIR}/list_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/copy_list_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/grid_layout_test.cpp
)
vt_add_core_test(test_line_commands ${CMAKE_CURRENT_LIST_DIR}/line_commands_test.cpp)
vt_add_ui_test(test_list_editing
  ${CMAKE_CURRENT_LIST_DIR}/line_commands_window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vtl_editor_test.cpp
)
vt_add_ui_test(test_file_commands
  ${CMAKE_CURRENT_LIST_DIR}/file_commands_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scripted_file_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_file_dialog_test.cpp
)
vt_add_ui_test(test_list_printing
  ${CMAKE_CURRENT_LIST_DIR}/list_printing_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pdf_reader.cpp
)
vt_add_ui_test(test_cups_print
  ${CMAKE_CURRENT_LIST_DIR}/cups_print_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pdf_reader.cpp
)
target_compile_definitions(test_cups_print
  PRIVATE VT_PRIVATE_CUPSD="${CMAKE_CURRENT_LIST_DIR}/private_cupsd.sh")
