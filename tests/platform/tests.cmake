vt_add_core_test(test_platform
  ${CMAKE_CURRENT_LIST_DIR}/file_names_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/search_and_time_test.cpp
)
