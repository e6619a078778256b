// The lossy-name check on the Western code page. This test program carries no
// UTF-8 manifest, so its narrow calls use code page 1252, as the installer's
// do on systems that ignore the manifest.
#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, RefusesNamesTheWesternCodePageCannotHold) {
    ASSERT_EQ(1252u, GetACP());
    const struct {
        const WCHAR* name;
        int survives;
    } cases[] = {
        {L"C:\\users\\Zo\u00E9\\Start Menu\\Programs", 1},
        {L"C:\\users\\\u0141ukasz\\Start Menu\\Programs", 0},  // best fit: "Lukasz"
        {L"Z:\\Downloads\\\u5C71\u7530", 0},                    // default character: "??"
        {L"C:\\Program Files", 1},
        {L"C:\\users\\\xD800x", 0},  // a lone surrogate
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
        EXPECT_EQ(cases[i].survives, nameSurvivesCodePage(cases[i].name)) << "case " << i;
}

}  // namespace
