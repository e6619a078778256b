// The installer end to end against programs of our own that do the same
// operating-system work and nothing else, timed inside Windows around
// CreateProcess and the wait (QueryPerformanceCounter, wall time):
//   silent install    SonografSetup.exe -h -i  against same_work_install.exe
//   silent uninstall  SonografSetup.exe -h -u  against same_work_uninstall.exe
//   window start      SonografSetup.exe until its picture and button are on
//                     screen, against same_work_window.exe, which opens a window
//                     of the same style and size and paints the same picture
//                     and the button's outline (see same_work.h)
// Every round runs each variant once, in an order shuffled afresh each round
// (from a fixed seed), so that no variant always follows the same one; each
// install is followed at once by its own uninstall, so every round starts
// with nothing installed, and the installed state is checked after each run
// (untimed). Each run starts after a pause in which the previous process's
// teardown (in the wine server, the desktop process and the X server)
// finishes instead of slowing the run it would overlap. Each comparison is
// printed as the best and the median of the per-round ratios, with the
// median times beside them.
// Not a test: ./build.sh bench runs it. Argument: the number of rounds (100).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/e2e/same_work.h"
#include "core/product.h"
#include "core/resource_ids.h"
#include "platform/folders.h"
#include "setup/procedure.h"
#include "setup/registry.h"
#include "setup/shortcuts.h"
#include "support/windows_of.h"

namespace {
const double kDeadlineSeconds = 60;
const DWORD kSettleMs = 150;

double now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

[[noreturn]] void fail(const std::string& what) {
    fprintf(stderr, "installer_bench: %s\n", what.c_str());
    exit(1);
}

std::string ownFolder() {
    char path[MAX_PATH * 4] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder = path;
    return folder.substr(0, folder.rfind('\\'));
}

// What an install puts in place, found the way the installer finds it.
struct Installed {
    std::string installFolder, menus[PROGRAMS_FOLDER_COUNT], startupLink, uninstallKey;
    std::vector<std::string> paths;  // files and folders, all present after an install, none after an uninstall
};

Installed whatAnInstallMakes() {
    Installed made;
    resolveSpecialFolders();
    char folder[PROCEDURE_PATH_SIZE];
    if (resolveInstallFolder(folder, sizeof folder, installSubfolder) != 0) fail("no install folder");
    made.installFolder = folder;
    for (int which = 0; which < PROGRAMS_FOLDER_COUNT; ++which) {
        if (!readProgramsFolder(which, folder) || composeMenuFolder(folder) != 0) fail("no programs folder");
        made.menus[which] = folder;
        made.paths.insert(made.paths.end(), {made.menus[which], made.menus[which] + "\\Readme.LNK",
                                             made.menus[which] + "\\" PRODUCT_NAME ".LNK"});
    }
    char path[kShortcutPathSize];
    if (composeShortcutPath(path, getStartupFolder(), PRODUCT_NAME " (Orvane)") != 0) fail("no startup folder");
    made.startupLink = path;
    made.uninstallKey = uninstallEntryKey;
    for (const char* name : {"", "\\sonograf.exe", "\\readme.txt", "\\SonografSetup.exe"})
        made.paths.push_back(made.installFolder + name);
    return made;
}

// How many of the install's traces are there: paths and the uninstall entry.
size_t tracesPresent(const Installed& made) {
    size_t present = 0;
    for (const std::string& path : made.paths) present += GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, made.uninstallKey.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        ++present;
    }
    return present;
}

// Starts `program` once the previous run has settled; `started` is the time
// just before CreateProcess.
PROCESS_INFORMATION start(const std::string& program, const std::string& arguments, double& started) {
    Sleep(kSettleMs);
    started = now();
    std::string line = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        fail("cannot start " + program);
    CloseHandle(info.hThread);
    return info;
}

void awaitExitCodeZero(HANDLE process, const std::string& what) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, static_cast<DWORD>(kDeadlineSeconds * 1000)) != WAIT_OBJECT_0) {
        TerminateProcess(process, 1);
        fail(what + " did not end");
    }
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    if (code != 0) fail(what + " ended with exit code " + std::to_string(static_cast<int>(code)));
}

// Seconds from CreateProcess to the end of the process.
double timedRun(const std::string& program, const std::string& arguments) {
    double started = 0;
    PROCESS_INFORMATION info = start(program, arguments, started);
    WaitForSingleObject(info.hProcess, static_cast<DWORD>(kDeadlineSeconds * 1000));
    const double seconds = now() - started;
    awaitExitCodeZero(info.hProcess, program + " " + arguments);
    return seconds;
}

// Pixels that are on screen only once the window has painted its picture and
// its button: a few of the picture's own, the button's left edge and the band.
struct Probe {
    int x, y;
    COLORREF colour;
};

std::vector<Probe> paintedProbes(const std::string& installer) {
    HMODULE module = LoadLibraryExA(installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HBITMAP picture = LoadBitmapA(module, MAKEINTRESOURCEA(BACKGROUND_RESOURCE_ID));
    if (picture == nullptr) fail("no picture in " + installer);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(memory, picture);
    std::vector<Probe> probes;
    const COLORREF unpainted[] = {RGB(0, 0, 0), RGB(255, 255, 255), GetSysColor(COLOR_INACTIVEBORDER),
                                  GetSysColor(COLOR_WINDOW)};
    for (const POINT& at : {POINT{3, 3}, POINT{896, 3}, POINT{45, 330}, POINT{880, 415}}) {
        const COLORREF colour = GetPixel(memory, at.x, at.y);
        if (std::find(std::begin(unpainted), std::end(unpainted), colour) != std::end(unpainted))
            fail("a picture probe has the colour of an unpainted window");
        probes.push_back({int(at.x), int(at.y), colour});
    }
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(picture);
    FreeLibrary(module);
    const int middle = (kButtonRect.top + kButtonRect.bottom) / 2;
    probes.push_back({int(kButtonRect.left), middle, RGB(0, 0, 0)});
    probes.push_back({300, kPictureHeight + kBandHeight - 10, RGB(255, 255, 255)});
    return probes;
}

bool painted(HWND window, const std::vector<Probe>& probes) {
    HDC dc = GetDC(window);
    bool all = dc != nullptr;
    for (size_t i = 0; all && i < probes.size(); ++i) all = GetPixel(dc, probes[i].x, probes[i].y) == probes[i].colour;
    if (dc != nullptr) ReleaseDC(window, dc);
    return all;
}

// Seconds from CreateProcess until the window's picture and button are on
// screen; then the window is closed and the process must end with 0.
double timedWindowStart(const std::string& program, const char* windowClass, const std::vector<Probe>& probes) {
    double started = 0;
    PROCESS_INFORMATION info = start(program, "", started);
    HWND window = nullptr;
    while (window == nullptr || !painted(window, probes)) {
        if (now() - started > kDeadlineSeconds) {
            TerminateProcess(info.hProcess, 1);
            fail(program + ": the window was not painted");
        }
        if (window == nullptr) window = windowByClass(info.hProcess, windowClass);
        Sleep(1);
    }
    const double seconds = now() - started;
    PostMessageA(window, WM_CLOSE, 0, 0);
    awaitExitCodeZero(info.hProcess, program + " (window closed)");
    return seconds;
}

struct Comparison {
    const char* name;
    std::vector<double> ours, sameWork;  // seconds, one per round
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void print(const Comparison& c) {
    std::vector<double> ratios;
    for (size_t i = 0; i < c.ours.size(); ++i) ratios.push_back(c.ours[i] / c.sameWork[i]);
    printf("%-34s %8.3f %8.3f %12.1f ms %12.1f ms\n", c.name, *std::min_element(ratios.begin(), ratios.end()),
           median(ratios), median(c.ours) * 1000, median(c.sameWork) * 1000);
}
}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? atoi(argv[1]) : 100;
    if (rounds < 1) fail("usage: installer_bench [rounds]");
    const std::string folder = ownFolder();
    const std::string installer = folder.substr(0, folder.rfind('\\')) + "\\SonografSetup.exe";
    const std::string sameWork = folder + "\\same_work_";
    const Installed made = whatAnInstallMakes();
    const std::pair<const char*, std::string> variables[] = {
        {SAME_WORK_INSTALLER, installer},
        {SAME_WORK_INSTALL_SUBFOLDER, installSubfolder},
        {SAME_WORK_MENU_SUBFOLDER, menuSubfolder},
        {SAME_WORK_STARTUP_LINK, made.startupLink.substr(made.startupLink.rfind('\\') + 1)},
        {SAME_WORK_UNINSTALL_KEY, made.uninstallKey}};
    for (const auto& variable : variables) SetEnvironmentVariableA(variable.first, variable.second.c_str());
    const std::vector<Probe> probes = paintedProbes(installer);
    if (tracesPresent(made) != 0) timedRun(installer, "-h -u");
    if (tracesPresent(made) != 0) fail("something of an earlier install stays; remove it first");

    Comparison install = {"silent install (-h -i)", {}, {}}, uninstall = {"silent uninstall (-h -u)", {}, {}},
               window = {"window start until painted", {}, {}};
    // An install and its uninstall, checking what each leaves.
    auto cycle = [&](const std::string& installing, const char* installArguments, const std::string& removing,
                     const char* removeArguments, bool ours) {
        const double installed = timedRun(installing, installArguments);
        if (tracesPresent(made) != made.paths.size() + 1) fail(installing + " did not install everything");
        const double removed = timedRun(removing, removeArguments);
        if (tracesPresent(made) != 0) fail(removing + " did not remove everything");
        (ours ? install.ours : install.sameWork).push_back(installed);
        (ours ? uninstall.ours : uninstall.sameWork).push_back(removed);
    };
    const int kVariants = 4;
    auto runVariant = [&](int variant) {
        if (variant == 0) cycle(installer, "-h -i", installer, "-h -u", true);
        if (variant == 1) cycle(sameWork + "install.exe", "", sameWork + "uninstall.exe", "", false);
        if (variant == 2) window.ours.push_back(timedWindowStart(installer, MAIN_WINDOW_CLASS, probes));
        if (variant == 3)
            window.sameWork.push_back(timedWindowStart(sameWork + "window.exe", SAME_WORK_WINDOW_CLASS, probes));
    };
    // One round unmeasured: the programs and system libraries into the caches.
    for (int variant = 0; variant < kVariants; ++variant) runVariant(variant);
    for (Comparison* c : {&install, &uninstall, &window}) c->ours.clear(), c->sameWork.clear();
    std::mt19937 shuffler(20261209);
    int order[kVariants] = {0, 1, 2, 3};
    for (int round = 0; round < rounds; ++round) {
        std::shuffle(std::begin(order), std::end(order), shuffler);
        for (int variant : order) runVariant(variant);
    }

    printf("%d rounds, variants interleaved in shuffled order, wall time from CreateProcess\n", rounds);
    printf("%-34s %8s %8s %15s %15s\n", "ours / same OS work", "best", "median", "ours median", "same work median");
    for (const Comparison* c : {&install, &uninstall, &window}) print(*c);
    return 0;
}
