// The installer's window as a person uses it: what it shows, read back pixel
// by pixel, and what clicks, keys and closing do, with the links it opens
// going to a recording handler.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/commands.h"
#include "core/exit_code.h"
#include "core/resource_ids.h"
#include "plain_links.h"
#include "support/bytes.h"
#include "support/installed.h"
#include "support/process.h"
#include "support/scratch_key.h"
#include "support/temp_folder.h"
#include "support/windows_of.h"

namespace {
const char* const kClass = "OVSonograf0Installer0MainWindow0";
const int kWidth = 900, kHeight = 524, kPicture = 424;
const RECT kButton = {580, 444, 880, 504};
const COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255);

// ---- pixels ---------------------------------------------------------------

// A 32-bit top-down image with a device context to draw into it.
struct Image {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    uint32_t* bits = nullptr;
    int width = 0, height = 0;
    Image(int w, int h) : width(w), height(h) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
        void* memory = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0);
        bits = static_cast<uint32_t*>(memory);
        dc = CreateCompatibleDC(nullptr);
        previous = SelectObject(dc, bitmap);
    }
    ~Image() {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    COLORREF at(int x, int y) const {
        GdiFlush();
        uint32_t p = bits[y * width + x];
        return RGB((p >> 16) & 255, (p >> 8) & 255, p & 255);
    }
    // Pixels of one colour within a rectangle.
    int count(const RECT& r, COLORREF colour) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += at(x, y) == colour;
        return n;
    }
    // Pixels of a rectangle that differ from the same pixels of another image.
    int differences(const Image& other, const RECT& r) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) n += at(x, y) != other.at(x, y);
        return n;
    }
    // Saves as a 32-bit BMP (for the README's picture of the busy window).
    void save(const std::string& path) const {
        GdiFlush();
        BITMAPINFOHEADER header = {sizeof header, width, -height, 1, 32, BI_RGB};
        const DWORD size = static_cast<DWORD>(width * height * 4);
        BITMAPFILEHEADER file = {0x4D42, static_cast<DWORD>(sizeof file + sizeof header + size), 0, 0,
                                 sizeof file + sizeof header};
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&header), sizeof header);
        out.write(reinterpret_cast<const char*>(bits), size);
    }
};

// The client area as it is on screen now.
void readClient(HWND window, Image& image) {
    HDC dc = GetDC(window);
    BitBlt(image.dc, 0, 0, image.width, image.height, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
}

// A text in Arial of the given height and weight, in `colour`, placed in `r` by `format`.
void drawText(Image& image, const char* text, int height, int weight, COLORREF colour, RECT r, UINT format) {
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWeight = weight;
    lstrcpyA(font.lfFaceName, "Arial");
    HFONT created = CreateFontIndirectA(&font);
    HGDIOBJ old = SelectObject(image.dc, created);
    SetBkMode(image.dc, TRANSPARENT);
    SetTextColor(image.dc, colour);
    DrawTextA(image.dc, text, -1, &r, format);
    SelectObject(image.dc, old);
    DeleteObject(created);
}

// The idle window, region by region: the picture of the installer's resources
// with the OS label in grey over its black shadow, one pixel down and right;
// the white band with the two guidance lines; inside the button's black
// outline, which lies on its edge lines, a white face with the black label.
void expectIdleWindow(HWND window, const std::string& label, bool installed) {
    RECT client = {};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right - client.left, kWidth);
    EXPECT_EQ(client.bottom - client.top, kHeight);
    Image shown(kWidth, kHeight), expected(kWidth, kHeight);
    HMODULE module = LoadLibraryExA(installerPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HBITMAP picture = LoadBitmapA(module, MAKEINTRESOURCEA(BACKGROUND_RESOURCE_ID));
    HDC source = CreateCompatibleDC(expected.dc);
    HGDIOBJ old = SelectObject(source, picture);
    BitBlt(expected.dc, 0, 0, kWidth, kPicture, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(picture);
    FreeLibrary(module);
    const RECT band = {0, kPicture, kWidth, kHeight};
    FillRect(expected.dc, &band, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const struct {
        const char* text;
        int height, weight;
        COLORREF colour;
        RECT at;
        UINT format;
    } texts[] = {{label.c_str(), 16, 800, kBlack, {16, 96, 740, 424}, DT_SINGLELINE},
                 {label.c_str(), 16, 800, RGB(150, 150, 150), {15, 95, 740, 424}, DT_SINGLELINE},
                 {installed ? "Sonograf is already installed..." : "Ready to install ? Click the button right there...",
                  16, 800, kBlack, {20, 454, 900, 524}, DT_SINGLELINE},
                 {installed ? "previous version has to be removed before installing new one..."
                            : "it will install Orvane Sonograf on your system...",
                  16, 800, RGB(100, 100, 100), {20, 474, 900, 524}, DT_SINGLELINE},
                 {installed ? "Remove" : "Install", 40, 400, kBlack, kButton, DT_SINGLELINE | DT_VCENTER | DT_CENTER}};
    for (const auto& text : texts) drawText(expected, text.text, text.height, text.weight, text.colour, text.at, text.format);
    // The face is compared away from the outline's rounded corners.
    const RECT regions[] = {{0, 0, kWidth, kPicture}, {0, kPicture, 580, kHeight}, {881, kPicture, kWidth, kHeight},
                            {580, kPicture, 881, 444}, {580, 505, 881, kHeight}, {584, 446, 877, 503}};
    auto outline = [&] {
        return shown.count({584, 444, 877, 445}, kBlack) + shown.count({584, 504, 877, 505}, kBlack) +
               shown.count({580, 448, 581, 501}, kBlack) + shown.count({880, 448, 881, 501}, kBlack);
    };
    // Read until all of it matches, so that a read during a repaint does not count.
    waitUntil([&] {
        readClient(window, shown);
        int differences = 0;
        for (const RECT& region : regions) differences += shown.differences(expected, region);
        return differences == 0 && outline() == 2 * 293 + 2 * 53;
    });
    for (const RECT& region : regions)
        EXPECT_EQ(shown.differences(expected, region), 0)
            << label << ": region " << region.left << "," << region.top << "," << region.right << "," << region.bottom;
    EXPECT_EQ(outline(), 2 * 293 + 2 * 53) << label << ": the outline on the button's edge lines";
}

// ---- the installer as a child process ------------------------------------

// Links opened through the shell go to the recording handler for the run of
// one test; the handler registration and the log are removed afterwards.
class LinkRecorder {
public:
    LinkRecorder() : log_(temp_.file("links.txt")) {
        SetEnvironmentVariableA("SONOGRAF_LINK_LOG", log_.c_str());
        const std::string own = ownPath();
        const std::string command = "\"" + parentOf(own) + "\\link_recorder.exe\" \"%1\"";
        for (const char* scheme : {"http", "https"}) {
            const std::string key = std::string("Software\\Classes\\") + scheme + "\\shell\\open\\command";
            char value[1024] = {};
            DWORD size = sizeof value;
            RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size);
            saved_.push_back({key, value});
            writeValue(HKEY_LOCAL_MACHINE, key, nullptr, REG_SZ, command + '\0');
        }
    }
    ~LinkRecorder() {
        for (const auto& saved : saved_)
            writeValue(HKEY_LOCAL_MACHINE, saved.first, nullptr, REG_SZ, saved.second + '\0');
        SetEnvironmentVariableA("SONOGRAF_LINK_LOG", nullptr);
    }
    // All the links opened, once at least `count` have been and no handler
    // runs any more (all there are at the deadline); a line the handler is
    // still writing does not count yet.
    std::vector<std::string> opened(size_t count) const {
        std::vector<std::string> links;
        waitUntil([&] {
            links.clear();
            std::ifstream in(log_);
            for (std::string line; std::getline(in, line) && !in.eof();) links.push_back(line);
            return links.size() >= count && !handlerRuns();
        });
        return links;
    }

private:
    static bool handlerRuns() {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 process = {sizeof process};
        bool runs = false;
        for (BOOL more = Process32First(snapshot, &process); more && !runs; more = Process32Next(snapshot, &process))
            runs = lstrcmpiA(process.szExeFile, "link_recorder.exe") == 0;
        CloseHandle(snapshot);
        return runs;
    }
    TempFolder temp_;
    std::string log_;
    std::vector<std::pair<std::string, std::string>> saved_;  // each key and its value before
};

struct Installer {
    HANDLE process = nullptr;
    HWND window = nullptr;
    explicit Installer(const std::string& program, const std::string& arguments = "") {
        process = startProgram(program, arguments);
        if (process) window = awaitWindow(windowByClass, process, kClass);
    }
    ~Installer() {
        if (process) finishProgram(process, 0);
    }
    bool alive() const { return WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }
    void click(int x, int y) const { PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    void key(WPARAM virtualKey) const { PostMessageA(window, WM_KEYDOWN, virtualKey, 0); }
    // The window is painted once its button shows outline, face and label; a
    // click before that finds no button.
    bool shown() const {
        Image frame(kWidth, kHeight);
        const RECT inside = {581, 445, 880, 504};
        return window != nullptr && waitUntil([&] {
                   readClient(window, frame);
                   return frame.at(580, 474) == kBlack && frame.at(590, 450) == kWhite &&
                          frame.count(inside, kBlack) > 300;
               });
    }
    // A message box of the installer once its text is in place, or 0.
    HWND box(DWORD milliseconds = kPatienceMs) const {
        HWND box = awaitWindow(windowByClass, process, "#32770", milliseconds);
        return box != nullptr && waitUntil([&] { return !boxText(box).empty(); }) ? box : nullptr;
    }
    // Answers a box; its caption and text.
    static std::pair<std::string, std::string> answer(HWND box) {
        if (box == nullptr) return {};
        std::pair<std::string, std::string> shown(windowText(box), boxText(box));
        // Wine can drop an answer posted to a box that is still settling:
        // answer again until the box is gone, as a person would click again.
        waitUntil([&] { return !PostMessageA(box, WM_COMMAND, IDOK, 0) || !IsWindow(box); });
        return shown;
    }
    // An error box that stays while nobody answers it (a second, as a person
    // reads it; no condition ends that wait) and closes once answered.
    void expectBoxStays(const char* caption, const char* text) const {
        HWND box = this->box();
        ASSERT_NE(box, nullptr);
        Sleep(1000);
        EXPECT_TRUE(IsWindow(box) && alive()) << "the box stays until it is answered";
        const auto shown = answer(box);
        EXPECT_EQ(shown.first, caption);
        EXPECT_EQ(shown.second, text);
    }
    DWORD exitCode(DWORD milliseconds = 30000) {
        const DWORD code = finishProgram(process, milliseconds);
        process = nullptr;
        return code;
    }
};

bool applicationInstalled() { return present(installedPaths().installFolder + "\\Sonograf.exe"); }

// Leaves the system as the test found it: nothing installed.
void uninstallQuietly() {
    if (applicationInstalled()) runProgram(installerPath(), "-h -u", 60000);
}

// A copy of the installer with a changed package, removed with its folder.
struct Variant {
    TempFolder folder;
    std::string path = folder.file("SonografSetup.exe");
    explicit Variant(const std::string& package) { EXPECT_TRUE(copyWithPackage(installerPath(), path, package)); }
};

// Wine's per-program settings of the installer (and of its copies, which keep its name).
const char* const kInstallerSettings = "Software\\Wine\\AppDefaults\\SonografSetup.exe";

void emulateWindows(const std::string& wine) {
    writeValue(HKEY_CURRENT_USER, kInstallerSettings, "Version", REG_SZ, wine + '\0');
}

// Every case starts with nothing installed and the installer seeing Windows 10.
class Window : public ::testing::Test {
protected:
    void SetUp() override {
        uninstallQuietly();
        emulateWindows("win10");
    }
    void TearDown() override {
        uninstallQuietly();
        RegDeleteKeyA(HKEY_CURRENT_USER, kInstallerSettings);
    }
    LinkRecorder links;
};

// ---- cases ----------------------------------------------------------------

const BYTE* instructionAt(const CONTEXT& context) {
#ifdef _WIN64
    return reinterpret_cast<const BYTE*>(context.Rip);
#else
    return reinterpret_cast<const BYTE*>(context.Eip);
#endif
}

// The installer's worker held still: a thread other than the window's, suspended
// at a moment it runs the installer's own code, where it holds no lock of the
// system's that the window's thread may need. Resumed when the object goes.
struct HeldWorker {
    HANDLE thread = nullptr;
    std::set<DWORD> threads;  // the installer's threads when the worker was caught
    explicit HeldWorker(HWND window) {
        DWORD processId = 0;
        const DWORD windowThread = GetWindowThreadProcessId(window, &processId);
        MODULEENTRY32 program = {sizeof program};
        HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
        Module32First(modules, &program);
        CloseHandle(modules);
        waitUntil([&] {
            threads = threadsOf(processId);
            for (DWORD id : threads) {
                thread = id == windowThread ? nullptr : OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, 0, id);
                if (thread == nullptr) continue;
                CONTEXT context = {};
                context.ContextFlags = CONTEXT_CONTROL;
                if (SuspendThread(thread) != DWORD(-1) && GetThreadContext(thread, &context) &&
                    instructionAt(context) >= program.modBaseAddr &&
                    instructionAt(context) < program.modBaseAddr + program.modBaseSize)
                    return true;
                ResumeThread(thread);
                CloseHandle(thread);
            }
            thread = nullptr;
            return false;
        });
    }
    ~HeldWorker() {
        if (thread == nullptr) return;
        ResumeThread(thread);
        CloseHandle(thread);
    }
};

// Install by a click: the busy panel blinks, "Installing" on the first tick,
// comes back whole after a repaint and refuses every input; the after-install
// link opens before the success box, the box closes the window.
TEST_F(Window, InstallShowsBusyPanelRefusesInputAndReportsSuccess) {
    Variant large(largePackage());
    Installer run(large.path);
    ASSERT_TRUE(run.shown());
    run.click(730, 474);
    // "Installing" as the busy panel draws it; the pressed button ("Install",
    // white on black) that precedes the first tick matches neither phase.
    Image frame(kWidth, kHeight), installing(kWidth, kHeight);
    const RECT word = {590, 446, 870, 482}, status = {580, 484, 881, 505}, statusFace = {584, 490, 877, 503};
    FillRect(installing.dc, &kButton, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    drawText(installing, "Installing", 40, 400, kWhite, {580, 444, 880, 489}, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    const int wordArea = (word.right - word.left) * (word.bottom - word.top);
    // 1 "Installing" shown, 0 gone, -1 neither.
    auto phase = [&] {
        readClient(run.window, frame);
        return frame.differences(installing, word) == 0 ? 1 : frame.count(word, kBlack) == wordArea ? 0 : -1;
    };
    // The first phase after the pressed button: "Installing" as soon as one
    // sample shows it, a blank panel once two in a row do (a panel drawn but
    // not yet written on is blank too). Judged only when no sample came late
    // enough to miss a shown phase.
    int first = -1, previous = -1;
    bool prompt = true;
    DWORD last = GetTickCount();
    waitUntil([&] {
        const int now = phase();
        prompt = prompt && GetTickCount() - last < 150;
        last = GetTickCount();
        if (now == 1 || (now == 0 && previous == 0)) first = now;
        previous = now;
        return first != -1;
    });
    if (prompt) EXPECT_EQ(first, 1) << "the first tick shows \"Installing\"";
    {
        // The worker stays busy for as long as the test looks and acts, on a fast machine as on a slow one.
        HeldWorker worker(run.window);
        ASSERT_NE(worker.thread, nullptr) << "the worker is caught in the installer's code";
        ASSERT_TRUE(waitUntil([&] { return phase() == 1; })) << "the busy panel shows";
        // A repaint draws the idle button; the next tick covers all of it again.
        InvalidateRect(run.window, nullptr, TRUE);
        SendMessageTimeoutA(run.window, WM_PAINT, 0, 0, SMTO_NORMAL, kPatienceMs, nullptr);
        EXPECT_TRUE(waitUntil([&] { return phase() != -1 && frame.count(statusFace, kBlack) > 293 * 13 / 2; }))
            << "the whole busy panel after a repaint";
        // While busy nothing a person does changes anything.
        run.click(730, 474);
        run.click(450, 200);
        run.key(VK_RETURN);
        run.key(VK_ESCAPE);
        PostMessageA(run.window, WM_CLOSE, 0, 0);
        // A tick is handled only after the inputs posted before it. A phase
        // counts once two samples in a row show it, so a half-drawn panel does not.
        int shown[2] = {0, 0}, statusShown = 0, counted = 1, previous = -1;
        waitUntil([&] {
            const int now = phase();
            if (now != -1 && now == previous && now != counted) ++shown[counted = now];
            previous = now;
            // More than the descender of "Installing"'s g reaches into the status line.
            const bool statusDrawn = now == 1 && frame.count(status, kWhite) > 100;
            const char* shot = std::getenv("SONOGRAF_BUSY_SHOT");
            if (statusDrawn && !statusShown && shot) frame.save(shot);
            statusShown += statusDrawn;
            return (shown[0] >= 2 && shown[1] >= 2 && statusShown) || !run.alive();
        });
        EXPECT_GE(shown[1], 2) << "\"Installing\" shown again on odd ticks";
        EXPECT_GE(shown[0], 2) << "and gone on even ticks";
        EXPECT_GT(statusShown, 0) << "the status text under \"Installing\"";
        EXPECT_TRUE(run.alive());
        const std::set<DWORD> now = threadsOf(GetProcessId(run.process));
        EXPECT_TRUE(std::includes(worker.threads.begin(), worker.threads.end(), now.begin(), now.end()))
            << "no input started a thread";
    }
    HWND box = run.box(60000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(links.opened(1), std::vector<std::string>{PLAIN_afterInstallLink}) << "opened while the box is open";
    const auto shown = run.answer(box);
    EXPECT_EQ(shown.first, "Success");
    EXPECT_EQ(shown.second, "Installation Complete and Successful !");
    EXPECT_EQ(run.exitCode(), 0u);
    EXPECT_TRUE(applicationInstalled());
}

// Enter installs; installed, the window offers "Remove", which uninstalls and
// closes; a copy that cannot read its package shows the error and closes only
// once answered.
TEST_F(Window, EnterInstallsRemoveUninstallsAndAFailureWaitsForItsBoxToBeAnswered) {
    {
        Installer run(installerPath());
        ASSERT_TRUE(run.shown());
        run.key(VK_RETURN);
        EXPECT_EQ(run.answer(run.box()).first, "Success");
        EXPECT_EQ(run.exitCode(), 0u);
        ASSERT_TRUE(applicationInstalled());
    }
    {
        Variant broken(std::string(8, 'x'));  // too short for a package header
        Installer run(broken.path);
        ASSERT_TRUE(run.shown());
        expectIdleWindow(run.window, "O/S: WIN10", true);
        run.click(730, 474);
        run.expectBoxStays("Sonograf Uninstallation Error",
                           "De-Installation package might be corrupted\nthanks to download official package at\n"
                           "https://www.sonograf.example.");
        EXPECT_EQ(run.exitCode(), 0u);
    }
    Installer run(installerPath());
    ASSERT_TRUE(run.shown());
    run.click(730, 474);
    EXPECT_EQ(run.exitCode(), 0u);
    EXPECT_FALSE(applicationInstalled());
}

// -i without -h that fails: the error box stays until answered, and then the
// process ends by itself with the procedure's result. The box names the cause
// it knows: the package when an entry is damaged or the package too short to
// read, the folder that could not be written to when a file stands where it
// should be.
TEST_F(Window, SilentInstallShownEndsWithItsResultOnceTheBoxIsAnswered) {
    const std::string folder = installedPaths().installFolder;
    const std::string advice = "thanks to download official package at\nhttps://www.sonograf.example.";
    std::string damaged = installerPackage(installerPath());
    damaged.back() ^= 0x55;
    const struct {
        std::string package, text;
        int code;
        bool blocked;  // a file where the install folder goes
    } rows[] = {{damaged,
                 "Failed to copy file(s) to destination folder...\nInstallation package might be corrupted\n" + advice,
                 COPY_FAILED, false},
                {installerPackage(installerPath()),
                 folder + "\ncould not be written to: it is in use, blocked or too long.", COPY_FAILED, true},
                {std::string(8, 'x'), "Installation package might be corrupted\n" + advice, PACKAGE_UNREADABLE, false}};
    for (const auto& row : rows) {
        CreateDirectoryA(parentOf(folder).c_str(), nullptr);
        if (row.blocked) ASSERT_TRUE(writeFile(folder, ""));
        Variant variant(row.package);
        Installer run(variant.path, "-i");
        ASSERT_NE(run.window, nullptr);
        run.expectBoxStays("Sonograf Installation Error", row.text.c_str());
        EXPECT_EQ(run.exitCode(), static_cast<DWORD>(row.code));
        DeleteFileA(folder.c_str());
        TempFolder::removeTree(parentOf(folder));
    }
}

// The idle window, its OS label for each Windows version Wine emulates, set
// for the installer alone through Wine's per-program settings. Clicks on the
// button's edge lines and elsewhere on the band start nothing and open
// nothing, nor does a completion command with a code the window does not
// know; a click on the picture opens the picture link and leaves the window
// idle. The links are read once the installers and the handlers have ended.
TEST_F(Window, IdleWindowForEachWindowsVersionOpensALinkOnlyOnAClickOnThePicture) {
    struct Version {
        const char* wine;
        const char* label;
    } versions[] = {{"win2003", "O/S: Server 2003"}, {"vista", "O/S: VISTA"},   {"win2008", "O/S: VISTA"},
                    {"win8", "O/S: WIN8"},           {"win81", "O/S: WIN8.1"},  {"win10", "O/S: WIN10"}};
    const POINT misses[] = {{730, 444}, {730, 504}, {580, 474}, {880, 474}, {100, 474}, {890, 510}};
    size_t clicks = 0;
    for (const Version& version : versions) {
        emulateWindows(version.wine);
        const DWORD started = GetTickCount();
        Installer run(installerPath());
        ASSERT_TRUE(run.shown());
        std::printf("%s: first painted frame %lu ms after the process start\n", version.wine, GetTickCount() - started);
        for (POINT p : misses) run.click(p.x, p.y);
        for (LPARAM code : {DONE_FAILED - 1, DONE_INSTALLED + 1})
            PostMessageA(run.window, WM_COMMAND, CMD_PROCEDURE_DONE, code);
        run.click(450, 200);
        links.opened(++clicks);  // once it opened, every input before it was handled
        expectIdleWindow(run.window, version.label, false);
        run.key(VK_ESCAPE);
        EXPECT_EQ(run.exitCode(), 0u);
    }
    EXPECT_EQ(links.opened(clicks), std::vector<std::string>(clicks, PLAIN_pictureLink));
    EXPECT_FALSE(applicationInstalled());
}
}  // namespace
