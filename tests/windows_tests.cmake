# Helpers of the Windows tests, which run under Wine.
# Holds a table as another Windows program does: open for exclusive use, or
# one lock byte taken with LockFileEx.
add_executable(hold_table support/hold_table_win32.cpp)
target_link_options(hold_table PRIVATE -municode)  # wmain: the path as UTF-16
# The end-to-end tests run the Windows command line through Wine, in the
# toolchain's Wine prefix.
list(APPEND E2E_ENVIRONMENT "DBFIMPORT_RUNNER=wine" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=")
if(DBFIMPORT_WINEPREFIX)
  list(APPEND E2E_ENVIRONMENT "WINEPREFIX=${DBFIMPORT_WINEPREFIX}")
endif()
# The records of random damage are many programs: under Wine a few of them.
list(APPEND E2E_ENVIRONMENT "MUTATIONS=20")
