# Compiles one-line files with a library's own include paths and definitions: a Qt header of a
# module the library does not link must not compile, whatever the spelling; the headers of
# the modules it links must.
#   cmake -DCXX=... -DINCLUDES=a|b -DDEFINITIONS=x|y -DWORK=dir -DQT_ROOT=dir
#         -DFORBIDDEN=h1|h2 -DALLOWED=h1|h2 -P CheckQtModules.cmake
# Headers are written as they would stand after #include, with @ for the Qt root folder.
foreach(var INCLUDES DEFINITIONS FORBIDDEN ALLOWED)
  string(REPLACE "|" ";" ${var} "${${var}}")
endforeach()
set(flags -std=c++20 -fsyntax-only -fPIC)
foreach(dir ${INCLUDES})
  list(APPEND flags -I${dir})
endforeach()
foreach(definition ${DEFINITIONS})
  list(APPEND flags -D${definition})
endforeach()
file(MAKE_DIRECTORY ${WORK})

set(failures)
function(probe header expect_ok)
  string(REPLACE "@" "${QT_ROOT}" header "${header}")
  file(WRITE ${WORK}/probe.cpp "#include ${header}\nint main() { return 0; }\n")
  execute_process(COMMAND ${CXX} ${flags} ${WORK}/probe.cpp RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(expect_ok AND NOT rc EQUAL 0)
    string(SUBSTRING "${err}" 0 400 err)
    list(APPEND failures "${header} does not compile: ${err}")
  elseif(NOT expect_ok AND rc EQUAL 0)
    list(APPEND failures "${header} compiles")
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

foreach(header ${ALLOWED})
  probe("${header}" TRUE)
endforeach()
foreach(header ${FORBIDDEN})
  probe("${header}" FALSE)
endforeach()
list(LENGTH FORBIDDEN forbidden_count)
if(failures)
  string(REPLACE ";" "\n  " failures "${failures}")
  message(FATAL_ERROR "Qt headers outside the library's modules:\n  ${failures}")
endif()
message(STATUS "${forbidden_count} spellings of other modules' headers are refused")
