vt_add_cli_test(test_command_line
  ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_opener_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/terminal_text_test.cpp
)
vt_add_cli_test(test_headless_run
  ${CMAKE_CURRENT_LIST_DIR}/headless_run_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/headless_check_test.cpp
)
# Runs the real program as a child process and ends it the hard ways.
vt_add_cli_test(test_headless_child ${CMAKE_CURRENT_LIST_DIR}/headless_child_test.cpp)
vt_uses_program(test_headless_child)
# The status line of `vantorel --run` on a pseudo-terminal. A preloaded library slows
# the copies down (it is built plain, without the sanitizers, which want their own
# library first).
add_library(vt_slow_times MODULE ${CMAKE_CURRENT_LIST_DIR}/slow_times.cpp)
set_property(TARGET vt_slow_times PROPERTY COMPILE_OPTIONS -Wall -Wextra)
set_property(TARGET vt_slow_times PROPERTY LINK_OPTIONS "")
target_link_libraries(vt_slow_times PRIVATE ${CMAKE_DL_LIBS})
vt_add_cli_test(test_terminal_progress ${CMAKE_CURRENT_LIST_DIR}/terminal_progress_test.cpp)
vt_uses_program(test_terminal_progress)
add_dependencies(test_terminal_progress vt_slow_times)
target_compile_definitions(test_terminal_progress PRIVATE
  VT_SLOW_TIMES="$<TARGET_FILE:vt_slow_times>")
target_link_libraries(test_terminal_progress PRIVATE util)
vt_add_cli_test(test_restore_run ${CMAKE_CURRENT_LIST_DIR}/restore_run_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/made_up_modes_test.cpp)
# Names that differ only in case, backed up onto FAT32 and exFAT disks through FUSE.
vt_add_cli_test(test_name_clash ${CMAKE_CURRENT_LIST_DIR}/name_clash_test.cpp)
