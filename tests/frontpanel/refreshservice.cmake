# The refresh request on the session D-Bus, against a private bus daemon that
# the test executable starts itself (hence its own main).
add_executable(refreshservice_tests
    ${CMAKE_CURRENT_LIST_DIR}/RefreshServiceTest.cpp ${CMAKE_CURRENT_LIST_DIR}/MainFormFixture.h)
target_link_libraries(refreshservice_tests PRIVATE att_frontpanel att_simulator att_testsupport Qt6::DBus Qt6::Test)
gtest_discover_tests(refreshservice_tests DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 240)
