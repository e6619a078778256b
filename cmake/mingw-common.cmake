# Cross-compiles for Windows with MinGW-w64 for SONOGRAF_MINGW_ARCH (i686 or
# x86_64), with the posix thread model: GoogleTest needs std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${SONOGRAF_MINGW_ARCH})
set(CMAKE_C_COMPILER ${SONOGRAF_MINGW_ARCH}-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER ${SONOGRAF_MINGW_ARCH}-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER ${SONOGRAF_MINGW_ARCH}-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SONOGRAF_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# CTest runs Windows programs through Wine; each Windows test is registered
# once per prefix kind in SONOGRAF_WINE_KINDS.
list(GET SONOGRAF_WINE_KINDS 0 first_kind)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${first_kind})
