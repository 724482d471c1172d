# Fails when a file of the Qt-free core includes a POSIX-only header. MinGW
# ships some of them (unistd.h, fcntl.h, sys/stat.h), so the cross build
# alone would let such an include pass. Run with -DROOT=<source dir>.
cmake_minimum_required(VERSION 3.25)
set(KOVEXA_ROOT ${ROOT})
include(${CMAKE_CURRENT_LIST_DIR}/core_sources.cmake)
set(sources ${KOVEXA_CORE_SOURCES})
set(files ${sources})
# The project headers they include, one level deep (the core's headers are
# included by path from the source root).
foreach(src ${sources})
  file(STRINGS ${src} includes REGEX "^#include \"[^\"]+\"")
  foreach(line ${includes})
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" header "${line}")
    if(EXISTS ${ROOT}/${header})
      list(APPEND files ${ROOT}/${header})
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES files)

include(${CMAKE_CURRENT_LIST_DIR}/posix-headers.cmake)
set(posix ${KOVEXA_POSIX_HEADERS})
set(bad "")
foreach(f ${files})
  file(STRINGS ${f} hits REGEX "^[ \t]*#[ \t]*include[ \t]*<(${posix})\\.h>")
  foreach(hit ${hits})
    file(RELATIVE_PATH rel ${ROOT} ${f})
    string(APPEND bad "\n  ${rel}: ${hit}")
  endforeach()
endforeach()
if(bad)
  message(FATAL_ERROR "POSIX-only headers in the portable core:${bad}")
endif()
