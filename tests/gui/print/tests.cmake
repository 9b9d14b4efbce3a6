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
