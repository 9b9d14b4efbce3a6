target_sources(vantorel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/desktop_entry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_type.cpp
  ${CMAKE_CURRENT_LIST_DIR}/freedesktop_type.cpp
  ${CMAKE_CURRENT_LIST_DIR}/help_topics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/links.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shortcut_file.cpp
  ${CMAKE_CURRENT_LIST_DIR}/version_record.cpp
)
target_sources(vantorel_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/desktop_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/help_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/qt_desktop_services.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows_info.cpp
)
