target_sources(vantorel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/copy_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/line_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_file.cpp
)
target_sources(vantorel_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/copy_list_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vt_memo.cpp
)
