if(TARGET att_sequencer_ui)
    att_add_gtest(frontpanel_fault_tests
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/FaultToleranceTest.cpp ${CMAKE_CURRENT_LIST_DIR}/LifecycleTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/MainFormFixture.h
        LIBS att_frontpanel att_simulator Qt6::Test)
endif()
