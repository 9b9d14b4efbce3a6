target_sources(vantorel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/command_runner.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/schedule.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/user_schedules.cpp
)
target_sources(vantorel_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/failure_notice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/schedule_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vt_schedule.cpp
)
