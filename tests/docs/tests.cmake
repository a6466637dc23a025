# The documentation: every service of sdk/quorven.h has its entry in both
# pages of the service reference, with its helper's prototype.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME docs.services
           COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/docs/services_doc_test.py ${CMAKE_SOURCE_DIR}
           WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
  set_tests_properties(docs.services PROPERTIES LABELS docs)
endif()
# The English pages and their Chinese translations show the same commands.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME docs.commands
           COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/docs/commands_doc_test.py ${CMAKE_SOURCE_DIR}
           WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
  set_tests_properties(docs.commands PROPERTIES LABELS docs)
endif()
