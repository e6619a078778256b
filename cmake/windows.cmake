# Windows build: the installer as a small, self-contained, reproducible executable.
# No -fdata-sections: with it MinGW puts every zero-initialised object into a
# .data$name section of its own, written out in full, instead of into .bss.
enable_language(RC)
# -Oz: the smallest code the compiler can make (about 200 bytes less than -Os);
# the one loop where speed counts asks for -O2 itself (package/entry_pass.cpp).
# No frame pointer: nothing walks the stack (no exceptions, no unwinding). No
# loop turned into a library call: the product's own loops need no C runtime.
# Data only as aligned as the ABI asks: by default every array of 32 bytes or
# more, each message text among them, starts on a 32-byte boundary.
set(SONOGRAF_PRODUCT_FLAGS -Oz -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -ffunction-sections -fomit-frame-pointer -fno-tree-loop-distribute-patterns -malign-data=abi -Wall -Wextra)
# 32-bit Windows only keeps the stack 4-byte aligned; asking for 16 costs code
# in every function that calls out.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL i686)
  list(APPEND SONOGRAF_PRODUCT_FLAGS -mpreferred-stack-boundary=2)
endif()
target_compile_options(sonograf_portable PRIVATE ${SONOGRAF_PRODUCT_FLAGS})

add_library(sonograf_win STATIC)
target_link_libraries(sonograf_win PUBLIC sonograf_portable ole32 uuid shell32 advapi32 gdi32 user32)
target_compile_options(sonograf_win PRIVATE ${SONOGRAF_PRODUCT_FLAGS})
target_compile_definitions(sonograf_portable PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)

# Static runtime, no timestamps, garbage-collected sections, stripped.
set(SONOGRAF_PRODUCT_LINK -static -static-libgcc -static-libstdc++ -Wl,--gc-sections
    -Wl,--no-insert-timestamp -Wl,--build-id=none -s -mwindows)

# Windows tests link GoogleTest built from Debian's sources with the same compiler.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
