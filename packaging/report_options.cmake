# Writes OUT: the manual page's include file IN followed by a section listing every option of
# the report command, taken from the program's own "--report FILE --help" so the two cannot drift.
execute_process(COMMAND ${PROGRAM} --report FILE --help
  OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT help MATCHES "--out")
  message(FATAL_ERROR "${PROGRAM} --report FILE --help failed (${rc}): ${help}")
endif()
file(READ ${IN} text)
# The usage line names the program by the path it ran from: the build tree, not the user's.
string(REGEX REPLACE "^Usage: [^\n]*\\[options\\]" "Usage: dc-load-logger --report FILE [options]" help "${help}")
string(REPLACE "\\" "\\\\" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
file(WRITE ${OUT} "${text}\n[REPORT OPTIONS]\n.B dc-load-logger \\-\\-report\n.I FILE\n.B \\-\\-out\n.I PDF\n[options] writes the test report of a result file without a window:\n.PP\n.nf\n${help}.fi\n")
