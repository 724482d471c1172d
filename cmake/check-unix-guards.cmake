# Fails when a file of the program includes a POSIX-only header outside a
# Q_OS_UNIX block, so the Windows build cannot meet one by surprise.
# Run with -DROOT=<source dir>. The simulator, tests and benchmarks are
# POSIX-only by design and not looked at.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/posix-headers.cmake)
set(posix ${KOVEXA_POSIX_HEADERS})
file(GLOB_RECURSE files
  ${ROOT}/com232/*.cpp ${ROOT}/com232/*.h ${ROOT}/gui/*.cpp ${ROOT}/gui/*.h
  ${ROOT}/popup/*.cpp ${ROOT}/popup/*.h ${ROOT}/logo/*.cpp ${ROOT}/logo/*.h
  ${ROOT}/KovexaV308/*.cpp ${ROOT}/KovexaV308/*.h ${ROOT}/platform/*.cpp ${ROOT}/platform/*.h
  ${ROOT}/panels/*.h)

set(bad "")
foreach(f ${files})
  file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*(if|ifdef|ifndef|elif|else|endif|include[ \t]*<)")
  # One entry per open #if: 1 while inside a branch that holds only on Unix.
  set(stack "")
  foreach(line ${lines})
    if(line MATCHES "^[ \t]*#[ \t]*(ifdef|if)[ \t].*Q_OS_UNIX" AND NOT line MATCHES "!")
      list(APPEND stack 1)
    elseif(line MATCHES "^[ \t]*#[ \t]*if")
      list(APPEND stack 0)
    elseif(line MATCHES "^[ \t]*#[ \t]*(else|elif)")
      list(POP_BACK stack)
      list(APPEND stack 0)
    elseif(line MATCHES "^[ \t]*#[ \t]*endif")
      list(POP_BACK stack)
    elseif(line MATCHES "^[ \t]*#[ \t]*include[ \t]*<(${posix})\\.h>")
      if(NOT "1" IN_LIST stack)
        file(RELATIVE_PATH rel ${ROOT} ${f})
        string(APPEND bad "\n  ${rel}: ${line}")
      endif()
    endif()
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "POSIX-only headers outside Q_OS_UNIX:${bad}")
endif()
