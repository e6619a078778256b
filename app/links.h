// The two web links the window opens, stored only scrambled: each is its
// plain text with the terminating zero, passed through applyPlainStream with
// LINK_KEY. The build writes them from app/links.txt (tools/sonograf_links.cpp).
#pragma once
#include <cstdint>

#include "core/product.h"

extern const uint8_t pictureLink[];  // opened by a click on the picture
extern const uint32_t pictureLinkSize;
extern const uint8_t afterInstallLink[];  // opened after a successful install
extern const uint32_t afterInstallLinkSize;
