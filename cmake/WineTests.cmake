# Test programs run through Wine, each in a throwaway prefix inside the build
# tree. tools/wine-run.sh creates the prefix on first use and never falls back
# to the user's own.
# Results are written through Wine's Z: drive, which maps the Unix root.
set(TAMSEL_PREFIX64 ${CMAKE_BINARY_DIR}/wineprefix64)
set(TAMSEL_PREFIX32 ${CMAKE_BINARY_DIR}/wineprefix32)
set(TAMSEL_PREFIX_SHIPPED ${CMAKE_BINARY_DIR}/wineprefix64-shipped)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/results)
set(TAMSEL_WINE_RUN ${PROJECT_SOURCE_DIR}/tools/wine-run.sh)
set(CMAKE_CROSSCOMPILING_EMULATOR ${TAMSEL_WINE_RUN} ${TAMSEL_PREFIX64})

set(GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# One wineserver for the whole run: without it every test program pays the
# Wine start-up again.
add_test(NAME wine.start COMMAND ${TAMSEL_WINE_RUN} ${TAMSEL_PREFIX64} --start)
add_test(NAME wine.stop COMMAND ${TAMSEL_WINE_RUN} ${TAMSEL_PREFIX64} --stop)
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine64)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine64)
# The prefix of the SHIPPED cases (below): its registry goes back to the
# state it had when the prefix was made before they run.
add_test(NAME wine.start.shipped COMMAND ${TAMSEL_WINE_RUN} ${TAMSEL_PREFIX_SHIPPED} --start-pristine)
add_test(NAME wine.stop.shipped COMMAND ${TAMSEL_WINE_RUN} ${TAMSEL_PREFIX_SHIPPED} --stop)
set_tests_properties(wine.start.shipped PROPERTIES FIXTURES_SETUP wine64shipped RESOURCE_LOCK wine64shipped)
set_tests_properties(wine.stop.shipped PROPERTIES FIXTURES_CLEANUP wine64shipped RESOURCE_LOCK wine64shipped)

# tamsel_add_gtest(name SOURCES ... [LIBS ...] [PURE32] [ALONE pattern [FRESH]] [SHIPPED pattern])
# PURE32 also runs the program in a pure 32-bit prefix (i686 build only).
# ALONE names the cases (a GoogleTest filter) that judge or change the whole
# prefix: they run as a test of their own, name.alone, that ctest never runs
# beside another, so no other test's fixtures are in the prefix meanwhile.
# FRESH gives them a new wineserver first: the services Wine starts on
# demand are then stopped.
# SHIPPED names the cases that back up, change and restore the whole
# machine's keys (the full backup with the settings as shipped): they run as
# name.shipped in a prefix of their own, with nothing beside them, so a fault
# of theirs never damages the prefix every other test uses.
function(tamsel_add_gtest name)
    cmake_parse_arguments(T "PURE32;FRESH" "ALONE;SHIPPED" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
    target_compile_options(${name} PRIVATE ${TAMSEL_WARNINGS})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TAMSEL_TEST_DIR})
    add_dependencies(${name} corvex_dll tamsel_data)
    set(excluded ${T_ALONE} ${T_SHIPPED})
    list(JOIN excluded ":" excluded)
    set(filter "")
    if(excluded)
        set(filter --gtest_filter=-${excluded})
    endif()
    if(T_SHIPPED)
        add_test(NAME ${name}.shipped
                 COMMAND ${TAMSEL_WINE_RUN} ${TAMSEL_PREFIX_SHIPPED} $<TARGET_FILE:${name}> --gtest_filter=${T_SHIPPED}
                         --gtest_output=xml:Z:${CMAKE_BINARY_DIR}/results/${name}.shipped.xml)
        set_tests_properties(${name}.shipped PROPERTIES FIXTURES_REQUIRED wine64shipped LABELS prefix64
            RUN_SERIAL ON RESOURCE_LOCK wine64shipped ENVIRONMENT "TAMSEL_BIN_DIR=${TAMSEL_BIN_DIR}")
    endif()
    if(T_ALONE)
        set(program ${name})
        if(T_FRESH)
            set(program ${TAMSEL_WINE_RUN} ${TAMSEL_PREFIX64} --fresh $<TARGET_FILE:${name}>)
        endif()
        add_test(NAME ${name}.alone COMMAND ${program} --gtest_filter=${T_ALONE}
                 --gtest_output=xml:Z:${CMAKE_BINARY_DIR}/results/${name}.alone.xml)
        set_tests_properties(${name}.alone PROPERTIES FIXTURES_REQUIRED wine64 LABELS prefix64 RUN_SERIAL ON
            ENVIRONMENT "TAMSEL_BIN_DIR=${TAMSEL_BIN_DIR}")
    endif()
    add_test(NAME ${name} COMMAND ${name} ${filter} --gtest_output=xml:Z:${CMAKE_BINARY_DIR}/results/${name}.xml)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine64 LABELS prefix64
        ENVIRONMENT "TAMSEL_BIN_DIR=${TAMSEL_BIN_DIR}")
    if(T_PURE32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
        add_test(NAME ${name}.win32
                 COMMAND ${TAMSEL_WINE_RUN} ${TAMSEL_PREFIX32} $<TARGET_FILE:${name}>
                         --gtest_output=xml:Z:${CMAKE_BINARY_DIR}/results/${name}.win32.xml)
        set_tests_properties(${name}.win32 PROPERTIES LABELS prefix32 RESOURCE_LOCK wine32
            ENVIRONMENT "TAMSEL_BIN_DIR=${TAMSEL_BIN_DIR};TAMSEL_WINEARCH=win32")
    endif()
endfunction()
