# The front panel's menu bar and window placement, rendered offscreen.
att_add_gtest(mainlooks_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/MainWindowLooksTest.cpp ${CMAKE_CURRENT_LIST_DIR}/MainFormFixture.h
    LIBS att_frontpanel att_simulator Qt6::Test)
