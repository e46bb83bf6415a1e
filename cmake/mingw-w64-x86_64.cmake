# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 GCC 12, POSIX
# thread model (std::thread and std::mutex need it).
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# Every .exe links libstdc++, libgcc and winpthread statically, so a folder of
# .exe files runs on a Windows machine without any MinGW DLL beside it.
# Tests run under Wine (ctest, gtest_discover_tests) through the emulator.
# The static Qt and GoogleTest for Windows are looked up in the cache that
# scripts/build-qt-windows.sh and scripts/build-googletest-windows.sh fill.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# The cache of the Windows builds; the same default as the scripts use.
if(DEFINED ENV{DBFIMPORT_CACHE})
  set(DBFIMPORT_CACHE "$ENV{DBFIMPORT_CACHE}")
else()
  set(DBFIMPORT_CACHE "$ENV{HOME}/.cache/dbfimport")
endif()
set(DBFIMPORT_QT_WINDOWS "${DBFIMPORT_CACHE}/qt6-win64-static" CACHE PATH "Static Qt 6 for Windows")
set(DBFIMPORT_GTEST_WINDOWS "${DBFIMPORT_CACHE}/googletest-win64" CACHE PATH "GoogleTest for Windows")

set(CMAKE_FIND_ROOT_PATH
  /usr/${MINGW_TRIPLET}
  ${DBFIMPORT_QT_WINDOWS}
  ${DBFIMPORT_GTEST_WINDOWS})
# Programs run on the build machine; headers, libraries and packages come
# only from the Windows trees above, never from the host's /usr.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows programs built here run under Wine, in the project's own prefix,
# without Wine's debug chatter and without its Mono/Gecko install dialogs.
if(DEFINED ENV{WINEPREFIX})
  set(DBFIMPORT_WINEPREFIX "$ENV{WINEPREFIX}")
else()
  set(DBFIMPORT_WINEPREFIX "${DBFIMPORT_CACHE}/wine64")
endif()
find_program(DBFIMPORT_WINE wine)
if(DBFIMPORT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
    env "WINEPREFIX=${DBFIMPORT_WINEPREFIX}" WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml="
    ${DBFIMPORT_WINE})
endif()
