# Runs the quorvel command's shell on the commands of COMMANDS and compares
# its JSON Lines with EXPECTED: the library's answers on a workstation without
# a network. EMULATOR (may be empty) runs a Windows program; WORKSTATION, if
# given, is the simulated workstation to use.
if(WORKSTATION)
  set(args --workstation ${WORKSTATION})
endif()
execute_process(
  COMMAND ${EMULATOR} ${CLI} ${args} --json shell
  INPUT_FILE ${COMMANDS}
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  RESULT_VARIABLE rc)
file(READ ${EXPECTED} expected)
string(REPLACE "\r" "" out "${out}")
if(NOT rc EQUAL 1 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "exit status ${rc} (1 expected), standard error:\n${err}\n"
                      "output:\n${out}\nexpected:\n${expected}")
endif()
