# The naming dialog and its four-position name mask.
att_add_gtest(frontpanel_nameatt_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/NameAttTest.cpp
    LIBS att_frontpanel Qt6::Test)
target_include_directories(frontpanel_nameatt_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../config)
