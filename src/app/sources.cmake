target_sources(vantorel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recent_files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/startup_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless_check.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless_prompter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless_run.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless_terminal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/schedule_command.cpp
  ${CMAKE_CURRENT_LIST_DIR}/schedule_options.cpp
)
target_sources(vantorel_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/main_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_menu.cpp
  ${CMAKE_CURRENT_LIST_DIR}/menu_keys_first.cpp
  ${CMAKE_CURRENT_LIST_DIR}/program_icon.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_prompter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scheduled_run.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tooltip_echo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vt_main.cpp
)
