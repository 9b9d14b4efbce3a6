target_sources(vantorel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/copy_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/grid_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_options.cpp
)
target_sources(vantorel_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/copy_list_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vt_memo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/grid_printer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_printing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_file_dialog.cpp
)
