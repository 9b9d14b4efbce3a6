vt_add_core_test(test_kept_versions ${CMAKE_CURRENT_LIST_DIR}/kept_versions_test.cpp)
vt_add_core_test(test_kept_versions_run ${CMAKE_CURRENT_LIST_DIR}/kept_versions_run_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/kept_versions_prune_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../run/engine_fixture.cpp)
