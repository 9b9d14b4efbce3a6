vt_add_core_test(test_platform
  ${CMAKE_CURRENT_LIST_DIR}/file_names_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/search_and_time_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/long_path_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/beneath_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/new_file_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drive_check_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/write_behind_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/disk_traits_test.cpp
)
vt_add_core_test(test_key_store ${CMAKE_CURRENT_LIST_DIR}/key_store_test.cpp)
vt_add_core_test(test_profile_file ${CMAKE_CURRENT_LIST_DIR}/profile_file_test.cpp)
vt_add_core_test(test_folder_pickers
  ${CMAKE_CURRENT_LIST_DIR}/mounts_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_tree_test.cpp
)
vt_add_core_test(test_file_safety ${CMAKE_CURRENT_LIST_DIR}/file_safety_test.cpp)
# A list that is not a regular file is refused by the headless run too.
target_link_libraries(test_file_safety PRIVATE vantorel_cli)
vt_add_core_test(test_file_copy ${CMAKE_CURRENT_LIST_DIR}/file_copy_test.cpp)
