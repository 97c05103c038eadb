// The export table of vardel.dll, read from the file itself.
#include "tests/win32/station_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

std::vector<std::string> ExportNames(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto at = [&](std::size_t off, auto& out) {
        if (off + sizeof out > f.size())
            throw std::runtime_error("truncated");
        std::memcpy(&out, &f[off], sizeof out);
    };
    IMAGE_DOS_HEADER dos;
    at(0, dos);
    // The station ships as PE32; the test build for 64-bit Wine is PE32+.
    IMAGE_NT_HEADERS32 nt;
    at(static_cast<std::size_t>(dos.e_lfanew), nt);
    IMAGE_DATA_DIRECTORY dir = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (nt.OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        IMAGE_NT_HEADERS64 nt64;
        at(static_cast<std::size_t>(dos.e_lfanew), nt64);
        dir = nt64.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    }
    const std::size_t sections = static_cast<std::size_t>(dos.e_lfanew) + 4 +
                                 sizeof(IMAGE_FILE_HEADER) + nt.FileHeader.SizeOfOptionalHeader;
    auto fileOffset = [&](DWORD rva) -> std::size_t {
        for (int i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER s;
            at(sections + i * sizeof s, s);
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize)
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        throw std::runtime_error("bad rva");
    };
    IMAGE_EXPORT_DIRECTORY exp;
    at(fileOffset(dir.VirtualAddress), exp);
    std::vector<std::string> names;
    for (DWORD i = 0; i < exp.NumberOfNames; ++i) {
        DWORD rva;
        at(fileOffset(exp.AddressOfNames) + 4 * i, rva);
        names.emplace_back(&f[fileOffset(rva)]);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(Exports, ExactlyTheSixUndecoratedNames) {
    const auto names = ExportNames(testing_station::BuiltStationFolder() + "\\vardel.dll");
    const std::vector<std::string> expected = {"vardelCallback", "vardelClose",
                                               "vardelDialog",   "vardelFunction",
                                               "vardelGetParametr", "vardelOpen"};
    EXPECT_EQ(names, expected);
}

TEST(Exports, OutsideLibrariesExportTheirContractNames) {
    const std::string dir = testing_station::BuiltStationFolder();
    const auto language = ExportNames(dir + "\\Language.dll");
    EXPECT_EQ(language, (std::vector<std::string>{"GetLanguageString", "InitLanguageDll",
                                                  "SelectLanguageDll"}));
    const auto gauge = ExportNames(dir + "\\EdgeGauge.dll");
    EXPECT_EQ(gauge, (std::vector<std::string>{"EdgeGaugeClose", "EdgeGaugeDetectHeight",
                                               "EdgeGaugeOpen"}));
    const auto grab = ExportNames(dir + "\\Grabcard.dll");
    for (const char* name : {"GrabcardInit", "GrabcardClose", "GrabcardGetImageSize",
                             "GrabcardGetImageAddr", "GrabcardGrab", "GrabcardLive",
                             "GrabcardStop", "GrabcardSetGrabFinishFun", "GrabcardSetWaitMehod"})
        EXPECT_NE(std::find(grab.begin(), grab.end(), name), grab.end()) << name;
}
