# The Qt-free core: frames, record, models, sanitising, plot arithmetic, file
# formats, port naming. Shared by the program's build and the core-only
# cross build, so both compile exactly the same sources.
get_filename_component(KOVEXA_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
file(GLOB KOVEXA_PROTO_SOURCES CONFIGURE_DEPENDS
  ${KOVEXA_ROOT}/com232/proto_*.cpp ${KOVEXA_ROOT}/gui/proto_*.cpp
  ${KOVEXA_ROOT}/popup/proto_*.cpp ${KOVEXA_ROOT}/KovexaV308/proto_*.cpp)
add_library(kovexa_proto STATIC ${KOVEXA_PROTO_SOURCES})
target_include_directories(kovexa_proto PUBLIC ${KOVEXA_ROOT})
