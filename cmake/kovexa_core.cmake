# The Qt-free core: frames, record, models, sanitising, plot arithmetic, file
# formats, port naming. Shared by the program's build and the core-only
# cross build, so both compile exactly the same sources.
get_filename_component(KOVEXA_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
include(${CMAKE_CURRENT_LIST_DIR}/core_sources.cmake)
add_library(kovexa_core STATIC ${KOVEXA_CORE_SOURCES})
target_include_directories(kovexa_core PUBLIC ${KOVEXA_ROOT})
