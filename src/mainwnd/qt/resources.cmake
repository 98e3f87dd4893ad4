# The toolbar and application icons go into orvane_gui with the main window that draws them.
if(TARGET orvane_gui)
    set_target_properties(orvane_gui PROPERTIES AUTORCC ON)
    target_sources(orvane_gui PRIVATE ${CMAKE_SOURCE_DIR}/res/icons/icons.qrc)
endif()
