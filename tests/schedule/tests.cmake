vt_add_core_test(test_schedule ${CMAKE_CURRENT_LIST_DIR}/schedule_test.cpp)
vt_uses_program(test_schedule)
vt_add_core_test(test_unit_files ${CMAKE_CURRENT_LIST_DIR}/unit_files_test.cpp)
vt_uses_program(test_unit_files)
vt_add_core_test(test_user_schedules ${CMAKE_CURRENT_LIST_DIR}/user_schedules_test.cpp)
vt_uses_program(test_user_schedules)
vt_add_ui_test(test_failure_notice
  ${CMAKE_CURRENT_LIST_DIR}/failure_notice_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fake_notifications.h
)
set_target_properties(test_failure_notice PROPERTIES AUTOMOC ON)
vt_uses_program(test_failure_notice)
vt_add_ui_test(test_schedule_window
  ${CMAKE_CURRENT_LIST_DIR}/schedule_window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../document/scripted_file_dialog.cpp
)
vt_uses_program(test_schedule_window)
