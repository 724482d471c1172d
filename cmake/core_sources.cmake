# Which files are the Qt-free core: every file of core/ and nothing else.
# The one place that says so; read by the library (kovexa_core.cmake) and by
# the portability check (check-portable.cmake). Needs KOVEXA_ROOT.
if(CMAKE_SCRIPT_MODE_FILE)
  file(GLOB KOVEXA_CORE_SOURCES ${KOVEXA_ROOT}/core/*.cpp)
else()
  file(GLOB KOVEXA_CORE_SOURCES CONFIGURE_DEPENDS ${KOVEXA_ROOT}/core/*.cpp)
endif()
