vt_add_ui_test(test_entry_editor ${CMAKE_CURRENT_LIST_DIR}/entry_editor_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/typed_folders_test.cpp
  RESOURCE_LOCK program_pictures)
