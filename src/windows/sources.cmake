target_sources(vantorel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/intro_decision.cpp
  ${CMAKE_CURRENT_LIST_DIR}/snapshot_folder.cpp
)
target_sources(vantorel_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/hidden_item_key.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vt_about.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vt_intro.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_snapshot.cpp
)
