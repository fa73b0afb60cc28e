cmake_minimum_required(VERSION 3.16)
# Fails when LIBRARIES (every library a core library links, directly or
# not, separated by commas) names a widget library: Qt's GUI modules or one
# of our window libraries.
string(REPLACE "," ";" libraries "${LIBRARIES}")
set(found "")
foreach(lib IN LISTS libraries)
    if(lib MATCHES "^Qt6::(Gui|Widgets|PrintSupport|OpenGL|Svg)" OR lib MATCHES "_ui$"
       OR lib MATCHES "^att_(frontpanel|controls|graph|sequencer_ui|config_ui)$")
        list(APPEND found "${lib}")
    endif()
endforeach()
if(NOT libraries)
    message(FATAL_ERROR "${TARGET} links nothing: the list of its libraries was not made")
endif()
if(found)
    message(FATAL_ERROR "${TARGET} links widget libraries: ${found}")
endif()
