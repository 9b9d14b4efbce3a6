target_sources(vantorel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/atomic_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/directory.cpp
  ${CMAKE_CURRENT_LIST_DIR}/error_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_mask.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/key_store.cpp
  ${CMAKE_CURRENT_LIST_DIR}/long_path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/profile_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_tree.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mounts.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_time.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_create.cpp
  ${CMAKE_CURRENT_LIST_DIR}/prompter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sys.cpp
  ${CMAKE_CURRENT_LIST_DIR}/whole_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xdg_folders.cpp
)
