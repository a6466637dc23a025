# make dist: one archive with what a program author needs on Windows or
# Linux: the kernel, both joiners, the SDK, the examples, the guide and the
# console font for Wine prefixes.
#   cmake -DSRC=... -DBIN=... -DOUT=archive.zip -P cmake/dist.cmake
set(stage ${OUT}.stage/quorven)
file(REMOVE_RECURSE ${OUT}.stage)
file(MAKE_DIRECTORY ${stage}/bin ${stage}/sdk ${stage}/examples/support)
foreach(f quorven.exe quorven-join.exe quorven-join)
  if(NOT EXISTS ${BIN}/${f})
    message(FATAL_ERROR "dist: ${BIN}/${f} is missing; build first")
  endif()
  file(COPY ${BIN}/${f} DESTINATION ${stage}/bin)
endforeach()
# The console font and the registry file that makes it Wine's "Courier"
# (GUIDE.md says how to install them); the font carries WenQuanYi's glyphs,
# so its licence goes with it.
file(MAKE_DIRECTORY ${stage}/font)
foreach(f quorven-console.ttf quorven-console.reg)
  if(NOT EXISTS ${BIN}/${f})
    message(FATAL_ERROR "dist: ${BIN}/${f} is missing; build first")
  endif()
  file(COPY ${BIN}/${f} DESTINATION ${stage}/font)
endforeach()
if(EXISTS /usr/share/common-licenses/GPL-2)
  file(COPY /usr/share/common-licenses/GPL-2 DESTINATION ${stage}/font)
endif()
file(COPY ${SRC}/sdk/quorven.h ${SRC}/sdk/qvlib.h ${SRC}/sdk/qvlib.c ${SRC}/sdk/qvmem.c ${SRC}/sdk/hosted.ld
     ${SRC}/sdk/program.mk DESTINATION ${stage}/sdk)
file(GLOB examples ${SRC}/examples/*/main.c)
foreach(main ${examples})
  get_filename_component(dir ${main} DIRECTORY)
  get_filename_component(name ${dir} NAME)
  file(GLOB expected ${dir}/*.txt)
  file(COPY ${main} ${expected} DESTINATION ${stage}/examples/${name})
  if(EXISTS ${BIN}/${name}.exe)
    file(COPY ${BIN}/${name}.exe DESTINATION ${stage}/examples/${name})
  endif()
endforeach()
file(COPY ${SRC}/tests/support/qvtest.c ${SRC}/tests/support/qvtest.h DESTINATION ${stage}/examples/support)
# The guide in both languages at the top, the pages it refers to in docs/.
# Its links are written for docs/guide.md in the source tree: at the top of
# the archive a link to a page beside it goes into docs/, and the two guides
# link each other under their archive names.
foreach(lang "" ".zh-CN")
  file(READ ${SRC}/docs/guide${lang}.md text)
  string(REGEX REPLACE "\\]\\(([A-Za-z0-9_][^):]*)\\)" "](docs/\\1)" text "${text}")
  string(REPLACE "](docs/guide.md" "](GUIDE.md" text "${text}")
  string(REPLACE "](docs/guide.zh-CN.md" "](GUIDE.zh-CN.md" text "${text}")
  file(WRITE ${stage}/GUIDE${lang}.md "${text}")
endforeach()
file(GLOB pages ${SRC}/docs/*.md ${SRC}/docs/*.png)
file(COPY ${pages} DESTINATION ${stage}/docs)
# Written beside the archive and renamed, so that a failure leaves no
# half-written archive.
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${OUT}.part --format=zip quorven
                WORKING_DIRECTORY ${OUT}.stage RESULT_VARIABLE failed)
if(failed)
  file(REMOVE ${OUT}.part)
  message(FATAL_ERROR "dist: cannot write ${OUT}")
endif()
file(RENAME ${OUT}.part ${OUT})
file(REMOVE_RECURSE ${OUT}.stage)
message(STATUS "dist: ${OUT}")
