# Native (Linux) build of the logic that needs no Windows call, with
# AddressSanitizer and UBSan. The same sources are compiled into the engine.
set(TAMSEL_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
add_compile_options(${TAMSEL_SANITIZE})
# GCC 12 reports std::regex internals as maybe-uninitialized once ASan
# instruments them; a known false positive in the library, not in our code.
add_compile_options(-Wno-maybe-uninitialized)
add_link_options(${TAMSEL_SANITIZE})

set(GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

add_subdirectory(engine/pure)
file(GLOB pure_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/pure/*.cpp)
add_executable(pure_tests ${pure_tests})
target_link_libraries(pure_tests PRIVATE corvex_pure GTest::gtest GTest::gtest_main)
target_compile_options(pure_tests PRIVATE ${TAMSEL_WARNINGS})
add_test(NAME pure_tests COMMAND pure_tests --gtest_output=xml:${CMAKE_BINARY_DIR}/results/pure_tests.xml)

# The program's page rules.
file(GLOB app_pure_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/app/pure/*.cpp)
add_library(tamsel_app_pure STATIC ${app_pure_sources})
target_include_directories(tamsel_app_pure PUBLIC ${PROJECT_SOURCE_DIR}/app)
file(GLOB app_pure_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/app/pure/*.cpp)
add_executable(app_pure_tests ${app_pure_tests})
target_link_libraries(app_pure_tests PRIVATE tamsel_app_pure GTest::gtest GTest::gtest_main)
target_compile_options(app_pure_tests PRIVATE ${TAMSEL_WARNINGS})
add_test(NAME app_pure_tests COMMAND app_pure_tests --gtest_output=xml:${CMAKE_BINARY_DIR}/results/app_pure_tests.xml)

# The scan report model, its JSON and the comparison of two scans.
add_subdirectory(report)
file(GLOB report_pure_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/report/pure/*.cpp)
add_executable(report_pure_tests ${report_pure_tests})
target_include_directories(report_pure_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(report_pure_tests PRIVATE tamsel_report_pure GTest::gtest GTest::gtest_main)
target_compile_options(report_pure_tests PRIVATE ${TAMSEL_WARNINGS})
add_test(NAME report_pure_tests COMMAND report_pure_tests --gtest_output=xml:${CMAKE_BINARY_DIR}/results/report_pure_tests.xml)
