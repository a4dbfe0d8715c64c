# Tests of the Windows cross build, run under Wine: the unit tests that do not need Linux
# itself, and the Windows backend's own tests (tests/windows/).
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# These read /proc, fork, make POSIX temporary folders, start Python servers or X
# clients, or test Linux backend internals.
set(LINUX_ONLY_TESTS apps_test caseless_glob_test draw_window_test export_test
    folder_listing_test fs_seam_test ftp_test picture_source_test platform_errors_test
    raster_files_test reduced_decode_test
    shortcut_layout_test)

file(GLOB UNIT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/unit/*_test.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/windows/*_test.cpp)
foreach(name ${LINUX_ONLY_TESTS})
  list(FILTER UNIT_TEST_SOURCES EXCLUDE REGEX "/unit/${name}\\.cpp$")
endforeach()

add_executable(unit_tests ${UNIT_TEST_SOURCES})
target_link_libraries(unit_tests PRIVATE velmora_core gtest gtest_main)
# The picture-address test runs its own HTTP server on 127.0.0.1.
target_link_libraries(unit_tests PRIVATE ws2_32)
target_include_directories(unit_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/unit)
# Wine sees the source tree through its Z: drive.
target_compile_definitions(unit_tests PRIVATE VELMORA_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
add_test(NAME unit_tests COMMAND unit_tests)
