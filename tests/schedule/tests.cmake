vt_add_core_test(test_unit_files ${CMAKE_CURRENT_LIST_DIR}/unit_files_test.cpp)
vt_uses_program(test_unit_files)
