# The toolbar and application icons go into orvane_gui with the main window that draws them.
if(TARGET orvane_gui)
    set_target_properties(orvane_gui PROPERTIES AUTORCC ON)
    target_sources(orvane_gui PRIVATE ${CMAKE_SOURCE_DIR}/res/icons/icons.qrc)

    # The toolbar's buttons are drawn once while building, at every toolbar size, so that
    # start-up neither parses SVG nor looks up the tag font; any other size is drawn when
    # asked. The drawing program shares the drawing code with the toolbar.
    add_executable(orvane_render_buttons ${CMAKE_SOURCE_DIR}/tools/render_buttons/main.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/mainwnd/qt/ButtonIcons.cpp ${CMAKE_SOURCE_DIR}/res/icons/icons.qrc)
    set_target_properties(orvane_render_buttons PROPERTIES AUTORCC ON AUTOMOC OFF
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
    target_include_directories(orvane_render_buttons PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(orvane_render_buttons PRIVATE orvane_core Qt6::Gui Qt6::Svg)
    set(ORVANE_BUILT_BUTTONS ${CMAKE_CURRENT_BINARY_DIR}/generated/BuiltButtons.cpp)
    add_custom_command(OUTPUT ${ORVANE_BUILT_BUTTONS} ${CMAKE_CURRENT_BINARY_DIR}/generated/BuiltButtons.bin
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/generated
        COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:orvane_render_buttons> ${ORVANE_BUILT_BUTTONS}
        DEPENDS orvane_render_buttons
        COMMENT "Drawing the toolbar's buttons" VERBATIM)
    target_sources(orvane_gui PRIVATE ${ORVANE_BUILT_BUTTONS})
endif()
