# The same commit gives the same bytes, whoever builds it, wherever and
# whenever: a user can then check a release against a build of their own.
# - no link time in the PE headers (the version resources carry none);
# - no folder names: the sources are recorded as "." and the build folder as
#   "build" (the later map wins for the build folder inside the sources), in
#   file names of macros and in the debug information the packages strip.
add_link_options(-Wl,--no-insert-timestamp)
add_compile_options(
    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>
    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>)
