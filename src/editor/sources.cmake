target_sources(vantorel_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/directory_list_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/drive_combo_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_list_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vt_entry.cpp
)
