# The Qt front end: every qt/ subfolder of src/ goes into orvane_gui; the decisions stay
# in orvane_core, which the Qt side only renders.
find_package(Qt6 REQUIRED COMPONENTS Widgets Svg Test)
set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTOUIC ON)

file(GLOB ORVANE_GUI_SOURCES CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*/qt/*.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/*/qt/*.h
    ${CMAKE_CURRENT_SOURCE_DIR}/*/qt/*.ui
)
add_library(orvane_gui STATIC ${ORVANE_GUI_SOURCES})
target_include_directories(orvane_gui PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(orvane_gui PUBLIC orvane_core finder picpush adjust Qt6::Widgets Qt6::Svg)
