if(TARGET att_sequencer_ui)
    att_add_gtest(frontpanel_sequencer_tests
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/SequencerEndToEndTest.cpp ${CMAKE_CURRENT_LIST_DIR}/MainFormFixture.h
        LIBS att_frontpanel att_simulator Qt6::Test)
endif()
