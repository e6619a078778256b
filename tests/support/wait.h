// Waiting for a condition, never for a time: polls until `done()` holds or
// the deadline, generous enough for a loaded machine, has passed.
//   ASSERT_TRUE(waitUntil([&] { return IsWindowVisible(window); }));
#pragma once
#include <windows.h>

const DWORD kPatienceMs = 20000;

template <typename Condition>
bool waitUntil(Condition done, DWORD milliseconds = kPatienceMs) {
    for (const DWORD started = GetTickCount();; Sleep(10)) {
        if (done()) return true;
        if (GetTickCount() - started >= milliseconds) return false;
    }
}
