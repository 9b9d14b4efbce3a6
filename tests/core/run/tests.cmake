vt_add_core_test(test_engine
  ${CMAKE_CURRENT_LIST_DIR}/engine_fixture.cpp
  ${CMAKE_CURRENT_LIST_DIR}/copy_run_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_transfer_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/flush_batch_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/flush_policy_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_scan_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_walk_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/name_clashes_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/journal_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_access_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_safety_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/link_safety_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/parallel_run_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/copy_workers_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/replacing_run_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/swept_folders_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_count_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_meter_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/disk_times_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/disk_leftovers_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../platform/content_compare_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../check/backup_check_test.cpp
)
vt_add_core_test(test_run_lock ${CMAKE_CURRENT_LIST_DIR}/run_lock_test.cpp)
vt_uses_program(test_run_lock)
vt_add_core_test(test_run_preview ${CMAKE_CURRENT_LIST_DIR}/run_preview_test.cpp)
# The preview is held against a real headless run of the same tree.
target_link_libraries(test_run_preview PRIVATE vantorel_cli)
# What a copy keeps of its source, held against cp -a; a restore brings back the same.
vt_add_core_test(test_attributes ${CMAKE_CURRENT_LIST_DIR}/attributes_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/engine_fixture.cpp)
