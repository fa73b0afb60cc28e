att_add_gtest(frontpanel_logic_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FrontPanelLogicTest.cpp
    LIBS att_frontpanel)
att_add_gtest(mainform_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainFormTest.cpp ${CMAKE_CURRENT_LIST_DIR}/MainFormFixture.h
    LIBS att_frontpanel att_simulator Qt6::Test)
