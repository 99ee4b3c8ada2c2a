# marrowfin_core_library(<name> SOURCES ... [LINK ...])
# A static library of one core subsystem: Qt Core, ICU and curl only, never a Widgets header.
function(marrowfin_core_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_link_libraries(${name} PUBLIC marrowfin_options Qt6::Core ${ARG_LINK})
endfunction()

# marrowfin_gui_library(<name> SOURCES ... [LINK ...])
function(marrowfin_gui_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LINK" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_link_libraries(${name} PUBLIC marrowfin_options Qt6::Core Qt6::Gui Qt6::Widgets ${ARG_LINK})
endfunction()

# marrowfin_test(<name> SOURCES ... [LINK ...] [LABELS ...] [ENVIRONMENT NAME=VALUE])
# One GoogleTest program; its cases are listed to ctest one by one. The labels go to the whole folder (one test
# program per folder), because list-valued properties do not survive test discovery; for the same reason a program
# takes at most one ENVIRONMENT entry of its own besides the offscreen platform (the test presets set the rest).
function(marrowfin_test name)
    cmake_parse_arguments(ARG "" "ENVIRONMENT" "SOURCES;LINK;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE marrowfin_options GTest::gtest GTest::gmock GTest::gtest_main ${ARG_LINK})
    # The tests' shared headers (support/, fixtures/) by their folder.
    target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
    set_property(DIRECTORY APPEND PROPERTY LABELS ${ARG_LABELS})
    set(environment QT_QPA_PLATFORM=offscreen)
    if(ARG_ENVIRONMENT)
        set(environment ${ARG_ENVIRONMENT})
    endif()
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 30
        PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 300)
endfunction()

# marrowfin_hosts_web_pages(<executable>)
# A program that loads the web pages module: its symbols are exported to the module, and the libraries the module
# uses are linked whole, so every class the module needs is in the program even where the program itself does not
# use it.
function(marrowfin_hosts_web_pages target)
    set_target_properties(${target} PROPERTIES ENABLE_EXPORTS ON)
    set(archives marrowfin_gui_platform marrowfin_gui_ui marrowfin_net marrowfin_scrape marrowfin_remote
                 marrowfin_config marrowfin_settings marrowfin_text)
    set(files)
    foreach(archive IN LISTS archives)
        list(APPEND files "$<TARGET_FILE:${archive}>")
    endforeach()
    target_link_options(${target} PRIVATE "LINKER:--whole-archive" ${files} "LINKER:--no-whole-archive")
    target_link_libraries(${target} PRIVATE ${archives})
    add_dependencies(${target} marrowfin_web)
endfunction()
