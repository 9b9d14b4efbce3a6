# The house itself: the layers point one way.
add_test(NAME LayersPointOneWay COMMAND ${CMAKE_CURRENT_LIST_DIR}/layers.sh ${PROJECT_SOURCE_DIR}/src)
set_tests_properties(LayersPointOneWay PROPERTIES LABELS house)
