target_sources(vantorel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/links.cpp
)
target_sources(vantorel_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/qt_desktop_services.cpp
)
