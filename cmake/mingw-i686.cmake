# The shipped 32-bit installer; its Windows tests run in a 32-bit and a WOW64 prefix.
set(SONOGRAF_MINGW_ARCH i686)
set(SONOGRAF_WINE_KINDS win32 wow64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
