vt_add_ui_test(test_intro_window ${CMAKE_CURRENT_LIST_DIR}/intro_window_test.cpp)
vt_add_ui_test(test_about_box ${CMAKE_CURRENT_LIST_DIR}/about_box_test.cpp)
# The snapshot suites write the same pictures into the program's folder.
vt_add_ui_test(test_snapshot ${CMAKE_CURRENT_LIST_DIR}/snapshot_test.cpp RESOURCE_LOCK program_pictures)

# Pictures of the real screen and the program's own start need an X server.
set(VT_XVFB xvfb-run -a -s "-screen 0 1280x1024x24")
add_executable(test_snapshot_x ${CMAKE_CURRENT_LIST_DIR}/snapshot_x_test.cpp)
target_link_libraries(test_snapshot_x PRIVATE vt_qt_test_main Qt6::Test)
add_test(NAME WindowSnapshotOnScreen COMMAND ${VT_XVFB} $<TARGET_FILE:test_snapshot_x>)
add_test(NAME IntroductionRejectedAtStart
  COMMAND ${VT_XVFB} ${CMAKE_CURRENT_LIST_DIR}/reject_at_start.sh $<TARGET_FILE:vantorel>)
set_tests_properties(WindowSnapshotOnScreen IntroductionRejectedAtStart PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=xcb" LABELS "ui;x11" TIMEOUT 120)
set_tests_properties(WindowSnapshotOnScreen PROPERTIES RESOURCE_LOCK program_pictures)
