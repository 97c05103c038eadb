// The station against hostile files and full disks, counters at their
// limit, host commands while the camera runs live, and the version
// resources of every module, all through the real vardel.dll and its
// outside libraries.
#include "tests/win32/measuring_recipe.h"
#include "tests/win32/station_fixture.h"
#include "tests/win32/window_probe.h"

#include "common/drill_placement.h"
#include "common/guarded_entry.h"
#include "common/win_handles.h"
#include "contracts/grabcard_sim.h"
#include "params/parameter_set.h"

#include <dlgs.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace testing_station;

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An export of a loaded module, named by its full path (the station's
// libraries are the ones in the station's folder) or by its name.
template <class F> F Export(const std::string& module, const char* name) {
    HMODULE m = GetModuleHandleA(module.c_str());
    return m ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

// Today's NG log.
std::string TodaysLog() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char path[64];
    wsprintfA(path, "C:\\Debug\\NG-%04u%02u%02u.txt", t.wYear, t.wMonth, t.wDay);
    return path;
}

// The camera of an open station copy delivers the no-signal marker, so
// that every inspection is an NG result (-7).
bool CameraWithoutSignal(const StationCopy& copy) {
    const auto setSource =
        Export<GrabcardSimSetSourceFn>(copy.Path("Grabcard.dll"), "GrabcardSimSetSource");
    return setSource && setSource(GrabcardSourceNoSignal) == 0;
}

// Keeps today's NG log aside while a test replaces it, and puts it back.
class LogAside {
  public:
    LogAside() : path_(TodaysLog()), kept_(path_ + ".kept") {
        CreateDirectoryA("C:\\Debug", nullptr);
        DeleteFileA(kept_.c_str());
        had_ = MoveFileA(path_.c_str(), kept_.c_str()) != 0;
    }
    ~LogAside() {
        DeleteFileA(path_.c_str());
        if (had_)
            MoveFileA(kept_.c_str(), path_.c_str());
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_, kept_;
    bool had_ = false;
};

struct FoundTitles {
    DWORD pid;
    std::vector<std::string> titles;
};

BOOL CALLBACK CollectTitle(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<FoundTitles*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == f->pid) {
        const int n = GetWindowTextLengthA(h);
        std::string text(static_cast<std::size_t>(n) + 1, '\0');
        GetWindowTextA(h, text.data(), n + 1);
        text.resize(static_cast<std::size_t>(n));
        f->titles.push_back(text);
    }
    return TRUE;
}

// The texts of the top-level windows of this process.
std::vector<std::string> OwnWindowTitles() {
    FoundTitles found{GetCurrentProcessId(), {}};
    EnumWindows(&CollectTitle, reinterpret_cast<LPARAM>(&found));
    return found.titles;
}

// Starts a program of the Unix side (Wine runs Unix executables too; it
// does not wait for them to end).
bool StartUnix(const char* program, std::string commandLine) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(program, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return false;
    const common::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    return true;
}

bool Opens(const std::string& path) {
    return static_cast<bool>(common::UniqueFile(
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

// Waits up to ten seconds for the file to open (or, with false, not to).
bool AwaitOpens(const std::string& path, bool opens) {
    for (int i = 0; i < 200; ++i) {
        if (Opens(path) == opens)
            return true;
        Sleep(50);
    }
    return false;
}

// Today's log as a link to /dev/full: it opens, and every write to it fails
// with a full disk.  The link goes again with this object.  The log must be
// absent when it is made.
class DiskFullLog {
  public:
    explicit DiskFullLog(const std::string& path) : path_(path) {
        using UnixName = char*(__cdecl*)(const wchar_t*);
        const auto unixName = Export<UnixName>("kernel32.dll", "wine_get_unix_file_name");
        if (!unixName)
            return;
        const std::wstring wide(path.begin(), path.end());
        char* unixPath = unixName(wide.c_str());
        if (!unixPath)
            return;
        unix_ = unixPath;
        HeapFree(GetProcessHeap(), 0, unixPath);
        made_ =
            StartUnix("Z:\\bin\\ln", "/bin/ln -sf /dev/full " + unix_) && AwaitOpens(path_, true);
    }
    ~DiskFullLog() {
        if (!unix_.empty() && StartUnix("Z:\\bin\\rm", "/bin/rm -f " + unix_))
            AwaitOpens(path_, false);
    }
    bool made() const { return made_; }

  private:
    std::string path_, unix_;
    bool made_ = false;
};

} // namespace

// ---- Hostile and damaged files --------------------------------------------

TEST(Hardening, AParameterFileWithoutTerminatorsIsReadWithinItsFields) {
    StationCopy copy;
    copy.WriteFile("Kest.INI", MeasuringSettings(0));
    const std::string cfg(3308, '\xFF');
    copy.WriteFile("Kest.cfg", cfg);
    MessageBoxOperator answers;
    Vardel station(copy.dir());
    ASSERT_EQ(station.Open(), 0);
    ASSERT_EQ(station.Dialog(-1), 0); // modeless: the window with its title
    Pump(300);
    const std::vector<std::string> titles = OwnWindowTitles();
    ASSERT_FALSE(titles.empty());
    bool named = false;
    for (const std::string& t : titles) {
        // The name's 99 bytes and the system name, not the following blocks.
        EXPECT_LT(t.size(), 99u + 100u) << t.size();
        named = named || t.find(std::string(99, '\xFF')) != std::string::npos;
    }
    EXPECT_TRUE(named) << "no window shows the material name";
    EXPECT_EQ(station.Close(), 0);
    // The name is cut to 99 bytes with its terminator; every other byte of
    // the file stays as it was.
    std::vector<uint8_t> expected(cfg.begin(), cfg.end());
    expected[99] = 0;
    EXPECT_EQ(ReadAll(copy.Path("Kest.cfg")), expected);
    EXPECT_TRUE(answers.Texts().empty());
}

TEST(Hardening, CountersAtTheirLimitStayThere) {
    StationCopy copy;
    copy.WriteFile("Kest.INI", MeasuringSettings(0));
    station::ParameterSet p = MeasuringRecipe();
    p.material.OkCount = kMax;
    p.material.NgCount = kMax - 1;
    copy.WriteFile("Kest.cfg", ParameterFileBytes(p));
    LogAside log;
    MessageBoxOperator answers;
    Vardel station(copy.dir());
    ASSERT_EQ(station.Open(), 0);
    ASSERT_TRUE(CameraWithoutSignal(copy));
    // Three NG results: inspection B twice, inspection A once.
    EXPECT_EQ(station.Function(1), -7);
    EXPECT_EQ(station.Function(1), -7);
    EXPECT_EQ(station.Function(0), -7);
    EXPECT_EQ(station.Close(), 0);
    const std::vector<uint8_t> saved = ReadAll(copy.Path("Kest.cfg"));
    ASSERT_EQ(saved.size(), 3308u);
    int32_t ok = 0, ng = 0;
    std::memcpy(&ok, &saved[2004], 4);
    std::memcpy(&ng, &saved[2008], 4);
    EXPECT_EQ(ok, kMax);
    EXPECT_EQ(ng, kMax);
    // The three rows reached the log.
    const std::vector<uint8_t> bytes = ReadAll(log.path());
    const std::string text(bytes.begin(), bytes.end());
    std::size_t rows = 0;
    for (std::size_t at = text.find("      -7        "); at != std::string::npos;
         at = text.find("      -7        ", at + 1))
        ++rows;
    EXPECT_EQ(rows, 3u);
    EXPECT_TRUE(answers.Texts().empty());
}

// Today's log lies on a disk that takes no byte: the open succeeds, the
// writes do not, and the operator is told that rows are missing.
TEST(Hardening, AnNgRowThatCannotBeWrittenIsReported) {
    StationCopy copy;
    copy.WriteFile("Kest.INI", MeasuringSettings(0));
    copy.WriteFile("Kest.cfg", ParameterFileBytes(MeasuringRecipe()));
    LogAside log;
    DiskFullLog full(log.path());
    if (!full.made())
        GTEST_SKIP() << "needs Wine's view of the Unix file system";
    {
        // The link is in place: it opens for appending, and takes nothing.
        const common::UniqueFile f(CreateFileA(log.path().c_str(), FILE_APPEND_DATA,
                                               FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(f);
        DWORD n = 0;
        EXPECT_FALSE(WriteFile(f.get(), "row", 3, &n, nullptr));
    }
    MessageBoxOperator answers;
    Vardel station(copy.dir());
    ASSERT_EQ(station.Open(), 0);
    ASSERT_TRUE(CameraWithoutSignal(copy));
    EXPECT_EQ(station.Function(1), -7); // the result is still the host's
    Pump(800);
    // One message for the header when the file does not count as there, one
    // for the row: every failed write is reported.
    const std::vector<std::string> texts = answers.Texts();
    ASSERT_GE(texts.size(), 1u);
    ASSERT_LE(texts.size(), 2u);
    for (const std::string& t : texts)
        EXPECT_EQ(t, ">>> Open Error <<<");
    EXPECT_EQ(station.Close(), 0);
}

// ---- Version resources ------------------------------------------------------

TEST(Hardening, EveryModuleCarriesTheStationsVersion) {
    HMODULE version = LoadLibraryA("version.dll");
    ASSERT_NE(version, nullptr);
    using SizeFn = DWORD(WINAPI*)(LPCSTR, LPDWORD);
    using InfoFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);
    const auto size = reinterpret_cast<SizeFn>(
        reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoSizeA")));
    const auto info = reinterpret_cast<InfoFn>(
        reinterpret_cast<void*>(GetProcAddress(version, "GetFileVersionInfoA")));
    const auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(version, "VerQueryValueA")));
    ASSERT_TRUE(size && info && query);

    unsigned major = 0, minor = 0, patch = 0, build = 0;
    ASSERT_EQ(std::sscanf(STATION_VERSION_TEXT, "%u.%u.%u.%u", &major, &minor, &patch, &build), 4);
    const std::string folder = BuiltStationFolder();
    for (const char* file : {"vardel.dll", "Grabcard.dll", "Pinbus.dll", "EdgeGauge.dll",
                             "Language.dll", "Imaging.dll", "Login.dll", "kest-host.exe"}) {
        SCOPED_TRACE(file);
        const std::string path = folder + "\\" + file;
        DWORD ignored = 0;
        const DWORD n = size(path.c_str(), &ignored);
        ASSERT_GT(n, 0u);
        std::vector<char> block(n);
        ASSERT_TRUE(info(path.c_str(), 0, n, block.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT len = 0;
        ASSERT_TRUE(query(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
        ASSERT_GE(len, sizeof(VS_FIXEDFILEINFO));
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(fixed->dwFileVersionMS, (major << 16) | minor);
        EXPECT_EQ(fixed->dwFileVersionLS, (patch << 16) | build);
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
        EXPECT_EQ(fixed->dwFileType,
                  std::string(file).ends_with(".exe") ? DWORD{VFT_APP} : DWORD{VFT_DLL});
        auto text = [&](const char* key) {
            char* value = nullptr;
            UINT chars = 0;
            const std::string sub = std::string("\\StringFileInfo\\040904B0\\") + key;
            if (!query(block.data(), sub.c_str(), reinterpret_cast<void**>(&value), &chars) ||
                !value)
                return std::string();
            return std::string(value);
        };
        EXPECT_EQ(text("ProductName"), STATION_PRODUCT_TEXT);
        EXPECT_EQ(text("FileVersion"), STATION_VERSION_TEXT);
        EXPECT_EQ(text("ProductVersion"), STATION_VERSION_TEXT);
        EXPECT_EQ(text("OriginalFilename"), file);
        EXPECT_GT(text("FileDescription").size(), 10u);
    }
    FreeLibrary(version);
}

// ---- Host commands while the camera runs live -------------------------------

// The measuring station with live video from the start.
class LiveCommands : public MeasuringStation {
  protected:
    LiveCommands() : MeasuringStation(2, 500) {}
    void SetUp() override {
        MeasuringStation::SetUp();
        frames_ = Grabcard<GrabcardSimFrameCountFn>("GrabcardSimFrameCount");
        ASSERT_NE(frames_, nullptr);
    }
    GrabcardSimFrameCountFn frames_ = nullptr;
};

// The live thread keeps delivering frames while the host calibrates and
// inspects; every result is the one the drill in front of the camera gives,
// as without live video.
TEST_F(LiveCommands, HostInspectionsDuringLiveVideoGiveWholeResults) {
    Pump(300);
    const int32_t before = frames_();
    Pump(300);
    ASSERT_GT(frames_(), before) << "the camera is not live";

    Calibrate();

    const double columnN = kColumnM - kMoveX / kMmPerPixel;
    const double target = columnN - 0.5 / kMmPerPixel;
    const int32_t startFrames = frames_();
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        // The compensation distance of a drill away from M.
        const double tip = kColumnM + (i % 4) * 3.25;
        Show(tip, 38.1 - (tip - kColumnM) * kMmPerPixel);
        const double distance = 0.5 - (columnN - tip) * kMmPerPixel;
        const int32_t expected = static_cast<int32_t>(std::lround(distance * kPulsesPerMm));
        EXPECT_LE(std::abs(station_->Function(0) - expected), 1);
        // A good drill, pressed right.
        Show(kColumnM);
        EXPECT_GE(station_->Function(0), 0);
        Show(target, 38.1, 0.3, 4.5);
        EXPECT_EQ(station_->Function(1), 0);
        // A drill whose diameter is off must still be found out: the cut on
        // the body holds while frames arrive.
        Show(kColumnM);
        EXPECT_GE(station_->Function(0), 0);
        Show(target, 38.1, 0.33, 4.5);
        EXPECT_EQ(station_->Function(1), -4);
        Pump(20);
    }
    EXPECT_GT(frames_(), startFrames + 12) << "live video stopped during the commands";
    EXPECT_TRUE(answers_.Texts().empty());
}

// ---- The frame of the outside libraries' entries ----------------------------

TEST(Hardening, AnEntryWhoseBodyThrowsAnswersItsFailureValue) {
    EXPECT_EQ(common::Guarded("entry", 1, [] { return 0; }), 0);
    EXPECT_EQ(common::Guarded("entry", 1, []() -> int { throw std::runtime_error("broken"); }), 1);
    EXPECT_EQ(common::Guarded("entry", -5, []() -> int { throw 42; }), -5);
    EXPECT_EQ(common::Guarded("entry", static_cast<const char*>(""),
                              []() -> const char* { throw std::bad_alloc(); }),
              std::string());
    int reached = 0;
    common::GuardedVoid("entry", [&] {
        ++reached;
        throw std::logic_error("half done");
    });
    common::GuardedVoid("entry", [&] { ++reached; });
    EXPECT_EQ(reached, 2);
}

// What this thread hands to OutputDebugStringA while it lives: the system
// raises the text as an exception that a vectored handler sees first.
class DebuggerOutput {
  public:
    DebuggerOutput() : handler_(AddVectoredExceptionHandler(1, &Seen)) { Lines().clear(); }
    ~DebuggerOutput() {
        if (handler_)
            RemoveVectoredExceptionHandler(handler_);
    }
    bool Listening() const { return handler_ != nullptr; }
    static std::vector<std::string>& Lines() {
        static std::vector<std::string> lines;
        return lines;
    }

  private:
    static LONG CALLBACK Seen(EXCEPTION_POINTERS* e) {
        const EXCEPTION_RECORD* r = e->ExceptionRecord;
        if (r->ExceptionCode == DBG_PRINTEXCEPTION_C && r->NumberParameters >= 2 &&
            GetCurrentThreadId() == Owner()) {
            const auto length = static_cast<std::size_t>(r->ExceptionInformation[0]);
            const auto* text = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
            // The length counts the terminator.
            Lines().emplace_back(text, length > 0 ? length - 1 : 0);
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }
    static DWORD Owner() {
        static const DWORD owner = GetCurrentThreadId();
        return owner;
    }
    PVOID handler_;
};

TEST(Hardening, AFailedEntryIsLoggedWithItsNameAndALongTextCut) {
    DebuggerOutput output;
    ASSERT_TRUE(output.Listening());
    const std::string what(4000, 'w');
    EXPECT_EQ(
        common::Guarded("vardelFunction", -1, [&]() -> int { throw std::runtime_error(what); }),
        -1);
    common::GuardedVoid("LoginDrawMark", [] { throw 7; });
    const std::vector<std::string> lines = DebuggerOutput::Lines();
    ASSERT_EQ(lines.size(), 2u) << "OutputDebugStringA raises DBG_PRINTEXCEPTION_C";
    EXPECT_EQ(lines[0].rfind("vardelFunction: www", 0), 0u) << lines[0];
    EXPECT_EQ(lines[0].size(), common::kEntryLineSize - 1);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 4), "...\n");
    EXPECT_EQ(lines[1], "LoginDrawMark: unknown exception\n");
}

// ---- Files the operator's commands could not write --------------------------

namespace {

struct DialogSearch {
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND h, LPARAM lp) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    char cls[16] = {};
    GetClassNameA(h, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && std::string(cls) == "#32770" && IsWindowVisible(h))
        reinterpret_cast<DialogSearch*>(lp)->found.push_back(h);
    return TRUE;
}

// The operator's hand during the window's commands, on a thread of its own:
// a file dialog gets the name typed and OK; every message box is read and
// answered with Yes where it asks (replace the file, reset the counts),
// else with OK.
class CommandOperator {
  public:
    explicit CommandOperator(std::string fileName = {})
        : name_(std::move(fileName)), thread_([this] { Run(); }) {}
    ~CommandOperator() { Finish(); }
    // Waits (pumping the window's messages) until count boxes were answered.
    bool AwaitBoxes(std::size_t count) {
        return WaitUntil([&] { return Boxes().size() >= count; }, 20000);
    }
    std::vector<std::string> Boxes() {
        std::lock_guard<std::mutex> g(mutex_);
        return boxes_;
    }
    bool Typed() const { return typed_; }
    std::vector<std::string> Finish() {
        done_ = true;
        if (thread_.joinable())
            thread_.join();
        return Boxes();
    }

  private:
    void Run() {
        while (!done_) {
            DialogSearch s;
            EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&s));
            for (HWND w : s.found) {
                const bool fileDialog = GetDlgItem(w, cmb13) || GetDlgItem(w, edt1);
                if (fileDialog) {
                    if (typed_)
                        continue; // waits behind its own question
                    Sleep(200);   // the dialog's own start
                    SetDlgItemTextA(w, GetDlgItem(w, cmb13) ? cmb13 : edt1, name_.c_str());
                    PostMessageA(w, WM_COMMAND, IDOK, 0);
                    typed_ = true;
                    continue;
                }
                Sleep(30);
                char text[1024] = {};
                GetDlgItemTextA(w, 0xFFFF, text, sizeof text);
                {
                    std::lock_guard<std::mutex> g(mutex_);
                    boxes_.push_back(text);
                }
                PostMessageA(w, WM_COMMAND, GetDlgItem(w, IDYES) ? IDYES : IDOK, 0);
                for (int i = 0; i < 250 && IsWindow(w) && IsWindowVisible(w); ++i)
                    Sleep(20);
            }
            Sleep(20);
        }
    }

    std::string name_;
    std::atomic<bool> done_{false};
    std::atomic<bool> typed_{false};
    std::mutex mutex_;
    std::vector<std::string> boxes_;
    std::thread thread_;
};

// A station copy opened and shown with the rights to save material records
// (Open runs inside the test, for its assertions).
class OperatorWindow {
  public:
    void Open() {
        SetEnvironmentVariableA("VARDEL_TEST_WAITS", "0");
        station::ParameterSet p = MeasuringRecipe();
        p.op.OperatorRights = 0x180;
        std::memset(p.station.MaterialName.data(), 0, p.station.MaterialName.size());
        std::memcpy(p.station.MaterialName.data(), "first", 5);
        copy_.WriteFile("Kest.cfg", ParameterFileBytes(p));
        copy_.WriteFile("Kest.INI", MeasuringSettings(0));
        station_ = std::make_unique<Vardel>(copy_.dir());
        ASSERT_NE(station_->module, nullptr);
        ASSERT_EQ(station_->Open(), 0);
        ASSERT_EQ(station_->Dialog(-1), 0);
        form_ = FindOwnWindow("TMainForm1");
        ASSERT_NE(form_, nullptr);
        Pump(150);
    }
    ~OperatorWindow() {
        if (station_)
            station_->Close();
        SetEnvironmentVariableA("VARDEL_TEST_WAITS", nullptr);
    }
    std::string Title() const { return TextOf(form_); }
    std::string Path(const std::string& name) const { return copy_.Path(name); }
    HWND form() const { return form_; }

  private:
    StationCopy copy_;
    std::unique_ptr<Vardel> station_;
    HWND form_ = nullptr;
};

// A file that another program holds open without sharing: nobody may
// replace, delete or write it meanwhile.
class HeldOpen {
  public:
    explicit HeldOpen(const std::string& path)
        : file_(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    bool held() const { return static_cast<bool>(file_); }
    void Release() { file_.reset(); }

  private:
    common::UniqueFile file_;
};

} // namespace

TEST(Hardening, AnImageThatWasNotWrittenIsTold) {
    OperatorWindow w;
    ASSERT_NO_FATAL_FAILURE(w.Open());
    const std::string held = w.Path("IMG\\held.tif");
    HeldOpen lock(held);
    ASSERT_TRUE(lock.held());
    CommandOperator hand(held);
    ChooseMenuItem(w.form(), 204);
    ASSERT_TRUE(hand.AwaitBoxes(2));
    const auto boxes = hand.Finish();
    ASSERT_TRUE(hand.Typed()) << "the save dialog came up";
    // The dialog's own question first (the file is there), then the station's.
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1], "Image Write error...\n" + held);
    lock.Release();
    // The same file, free again: written, and nothing to tell.
    CommandOperator again(held);
    ChooseMenuItem(w.form(), 204);
    ASSERT_TRUE(again.AwaitBoxes(1)); // replace it?
    Pump(300);
    EXPECT_EQ(again.Finish().size(), 1u);
    EXPECT_GT(ReadAll(held).size(), 640u * 480u);
}

TEST(Hardening, AMaterialRecordThatWasNotWrittenKeepsTheName) {
    OperatorWindow w;
    ASSERT_NO_FATAL_FAILURE(w.Open());
    ASSERT_EQ(w.Title().substr(w.Title().size() - 8), " - first");
    const std::string heldRecord = w.Path("CONFIG\\held.rec");
    struct Case {
        const char* name;
        std::string path;
        std::size_t boxes; // the dialog's question, if any, and the write message
    };
    const Case cases[] = {
        {"held open by another program", heldRecord, 2},
        {"a path longer than the station's 99 characters",
         w.Path("CONFIG\\" + std::string(100, 'n') + ".rec"), 1},
    };
    HeldOpen lock(heldRecord);
    ASSERT_TRUE(lock.held());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string title = w.Title();
        const std::vector<uint8_t> cfg = ReadAll(w.Path("Kest.cfg"));
        CommandOperator hand(c.path);
        ChooseMenuItem(w.form(), 102);
        ASSERT_TRUE(hand.AwaitBoxes(c.boxes));
        Pump(200);
        const auto boxes = hand.Finish();
        ASSERT_TRUE(hand.Typed()) << "the save dialog came up";
        ASSERT_EQ(boxes.size(), c.boxes);
        EXPECT_EQ(boxes.back(), "Parameter Write error...");
        EXPECT_EQ(w.Title(), title) << "the title keeps naming the material as it was";
        EXPECT_NE(ReadAll(w.Path("Kest.cfg")), std::vector<uint8_t>{})
            << "the parameter file is still written";
        EXPECT_EQ(ReadAll(w.Path("Kest.cfg")).size(), cfg.size());
    }
    lock.Release();
    // Written: the new name is taken.
    CommandOperator hand(w.Path("CONFIG\\second.rec"));
    ChooseMenuItem(w.form(), 102);
    Pump(300);
    EXPECT_TRUE(hand.Finish().empty());
    EXPECT_EQ(w.Title().substr(w.Title().size() - 9), " - second");
}

TEST(Hardening, AnNgLogThatCannotBeDeletedOnResetIsTold) {
    OperatorWindow w;
    ASSERT_NO_FATAL_FAILURE(w.Open());
    LogAside log;
    HWND reset = FindComponent(w.form(), "sReset1");
    ASSERT_NE(reset, nullptr);
    // No log today: nothing to delete and nothing to tell.
    {
        CommandOperator hand;
        Click(reset);
        ASSERT_TRUE(hand.AwaitBoxes(1)); // the question
        Pump(300);
        EXPECT_EQ(hand.Finish().size(), 1u);
    }
    // A log that a viewer holds open stays, with its rows, and is told.
    {
        std::ofstream(log.path(), std::ios::binary) << "rows of today";
        HeldOpen viewer(log.path());
        ASSERT_TRUE(viewer.held());
        CommandOperator hand;
        Click(reset);
        ASSERT_TRUE(hand.AwaitBoxes(2));
        const auto boxes = hand.Finish();
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1], "NG Log Delete error...\n" + log.path());
        viewer.Release();
        EXPECT_EQ(ReadAll(log.path()).size(), std::string("rows of today").size());
    }
    // Free again: deleted without a word.
    {
        CommandOperator hand;
        Click(reset);
        ASSERT_TRUE(hand.AwaitBoxes(1));
        Pump(300);
        EXPECT_EQ(hand.Finish().size(), 1u);
        EXPECT_EQ(GetFileAttributesA(log.path().c_str()), INVALID_FILE_ATTRIBUTES);
    }
}
