# Native build: portable logic and its tests under AddressSanitizer and UBSan.
set(SONOGRAF_SANITIZE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
target_compile_options(sonograf_portable PRIVATE -Wall -Wextra ${SONOGRAF_SANITIZE})
target_link_options(sonograf_portable INTERFACE ${SONOGRAF_SANITIZE})
find_package(GTest REQUIRED)
