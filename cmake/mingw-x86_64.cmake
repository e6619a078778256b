# The same sources for 64-bit Windows, for Wine tests on machines that cannot run 32-bit Wine.
set(SONOGRAF_MINGW_ARCH x86_64)
set(SONOGRAF_WINE_KINDS win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
