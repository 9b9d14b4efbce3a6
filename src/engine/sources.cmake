target_sources(vantorel_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/backup_check.cpp
  ${CMAKE_CURRENT_LIST_DIR}/compare_pool.cpp
  ${CMAKE_CURRENT_LIST_DIR}/content_compare.cpp
  ${CMAKE_CURRENT_LIST_DIR}/copy_decision.cpp
  ${CMAKE_CURRENT_LIST_DIR}/copy_engine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/copy_workers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/disk_flush.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_transfer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_maker.cpp
  ${CMAKE_CURRENT_LIST_DIR}/folder_scan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/journal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kept_versions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/restore_plan.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_count.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_lock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_meter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_preview.cpp
  ${CMAKE_CURRENT_LIST_DIR}/source_folders.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transfer_queue.cpp
)
target_sources(vantorel_ui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/copy_controller.cpp
  ${CMAKE_CURRENT_LIST_DIR}/preview_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/run_progress_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vt_preview.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vt_restore.cpp
)
