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
# The make dist archive: every relative link of every page it ships opens
# inside the unpacked archive, and both guides' table names what is in it.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME docs.dist_links
           COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/docs/dist_links_test.py ${CMAKE_COMMAND} ${CMAKE_SOURCE_DIR}
                   ${QV_BIN_DIR} ${CMAKE_BINARY_DIR}/dist-links-test
           WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
  set_tests_properties(docs.dist_links PROPERTIES LABELS docs)
endif()
# The Chinese pages use the glossary's terms, link to it and mark the pages
# that are in English only.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME docs.glossary
           COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/docs/glossary_test.py ${CMAKE_SOURCE_DIR}
           WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
  set_tests_properties(docs.glossary PROPERTIES LABELS docs)
endif()
