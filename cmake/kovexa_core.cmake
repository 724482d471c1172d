# The Qt-free core: frames, record, models, sanitising, plot arithmetic, file
# formats, port naming. Shared by the program's build and the core-only
# cross build, so both compile exactly the same sources.
get_filename_component(KOVEXA_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
# Every file of core/ and nothing else: the one place that says which code
# is Qt-free.
file(GLOB KOVEXA_CORE_SOURCES CONFIGURE_DEPENDS ${KOVEXA_ROOT}/core/*.cpp)
add_library(kovexa_core STATIC ${KOVEXA_CORE_SOURCES})
target_include_directories(kovexa_core PUBLIC ${KOVEXA_ROOT})
