vt_add_core_test(test_engine
  ${CMAKE_CURRENT_LIST_DIR}/engine_fixture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/copy_run_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_transfer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_scan_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/journal_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_access_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_safety_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/parallel_run_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_count_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_meter_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/content_compare_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/backup_check_test.cpp
)
vt_add_ui_test(test_copy_controller ${CMAKE_CURRENT_LIST_DIR}/copy_controller_test.cpp)
vt_add_core_test(test_run_lock ${CMAKE_CURRENT_LIST_DIR}/run_lock_test.cpp)
vt_uses_program(test_run_lock)
vt_add_ui_test(test_list_during_run ${CMAKE_CURRENT_LIST_DIR}/list_during_run_test.cpp)
vt_add_core_test(test_kept_versions ${CMAKE_CURRENT_LIST_DIR}/kept_versions_test.cpp)
vt_add_core_test(test_run_preview ${CMAKE_CURRENT_LIST_DIR}/run_preview_test.cpp)
vt_add_ui_test(test_preview_window ${CMAKE_CURRENT_LIST_DIR}/preview_window_test.cpp)
vt_add_core_test(test_kept_versions_run ${CMAKE_CURRENT_LIST_DIR}/kept_versions_run_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_fixture.cpp)
