# The installed program: its tree and desktop files, its manual page and completion.
add_test(NAME InstalledTree COMMAND ${CMAKE_CURRENT_LIST_DIR}/install_tree.sh ${CMAKE_BINARY_DIR})
add_test(NAME OptionsOfHelpManualPageAndCompletionAgree
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/options_agree.sh $<TARGET_FILE:vantorel>
          ${CMAKE_BINARY_DIR}/packaging/vantorel.1
          ${PROJECT_SOURCE_DIR}/packaging/vantorel.bash-completion)
add_test(NAME BashCompletion COMMAND ${CMAKE_CURRENT_LIST_DIR}/bash_completion.sh
  ${PROJECT_SOURCE_DIR}/packaging/vantorel.bash-completion)
set_tests_properties(InstalledTree OptionsOfHelpManualPageAndCompletionAgree BashCompletion
  PROPERTIES LABELS packaging)
