# The attenuator box: its change reporting on real widgets, and pictures of
# it rendered to PNG files for a look (build folder, renders/). The box is
# compiled in directly so that these tests need only the controls library.
if(TARGET att_controls)
    set(ATT_BOX_SOURCES
        ${CMAKE_SOURCE_DIR}/frontpanel/AttGroupBox.cpp ${CMAKE_SOURCE_DIR}/frontpanel/AttGroupBox.h)
    att_add_qtest(frontpanel_attgroupbox_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/AttGroupBoxTest.cpp ${ATT_BOX_SOURCES}
        LIBS att_controls)
    att_add_qtest(frontpanel_attgroupbox_render_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/AttGroupBoxRenderTest.cpp ${ATT_BOX_SOURCES}
        LIBS att_controls)
    foreach(t frontpanel_attgroupbox_test frontpanel_attgroupbox_render_test)
        target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR}/frontpanel)
    endforeach()
    target_compile_definitions(frontpanel_attgroupbox_render_test PRIVATE
        ATT_RENDER_DIR="${CMAKE_BINARY_DIR}/renders")
endif()
