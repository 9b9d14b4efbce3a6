vt_add_ui_test(test_failure_notice
  ${CMAKE_CURRENT_LIST_DIR}/failure_notice_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fake_notifications.h
)
set_target_properties(test_failure_notice PROPERTIES AUTOMOC ON)
vt_uses_program(test_failure_notice)
vt_add_ui_test(test_schedule_window
  ${CMAKE_CURRENT_LIST_DIR}/schedule_window_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../list/scripted_file_dialog.cpp
)
vt_uses_program(test_schedule_window)
