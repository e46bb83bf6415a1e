# Helpers of the Linux tests, loaded with LD_PRELOAD into a program under test.
# Logs the files a program under test flushes, or makes the flushes fail; counts its writes and
# kills it at a chosen one.
enable_language(C)
add_library(fsync_probe SHARED e2e/fsync_probe.c)
target_link_libraries(fsync_probe PRIVATE ${CMAKE_DL_LIBS})
set_target_properties(fsync_probe PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
# Grows an export file while a program under test loads it, or before its import.
add_library(grow_probe SHARED e2e/grow_probe.c)
target_link_libraries(grow_probe PRIVATE ${CMAKE_DL_LIBS})
set_target_properties(grow_probe PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
