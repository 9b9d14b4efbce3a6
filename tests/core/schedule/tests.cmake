vt_add_core_test(test_schedule ${CMAKE_CURRENT_LIST_DIR}/schedule_test.cpp)
vt_uses_program(test_schedule)
vt_add_core_test(test_unit_files ${CMAKE_CURRENT_LIST_DIR}/unit_files_test.cpp)
vt_uses_program(test_unit_files)
vt_add_core_test(test_user_schedules ${CMAKE_CURRENT_LIST_DIR}/user_schedules_test.cpp)
vt_uses_program(test_user_schedules)
# The schedule's command line and its units are tried through the headless front end.
target_link_libraries(test_schedule PRIVATE vantorel_cli)
target_link_libraries(test_user_schedules PRIVATE vantorel_cli)
