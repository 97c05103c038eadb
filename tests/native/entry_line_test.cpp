// The debugger line of a failed entry and the station's cut: both take
// values from outside (an exception's text, a material record's column) and
// must stay inside their buffers whatever those values are.
#include "common/cut.h"
#include "common/entry_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// The line written into a buffer of exactly size bytes on the heap, so that
// AddressSanitizer sees a write one byte beyond it.
struct Written {
    std::string line;
    std::size_t length;
};
Written Format(std::size_t size, const char* entry, const char* what) {
    auto buffer = std::make_unique<char[]>(size);
    std::memset(buffer.get(), 'x', size);
    const std::size_t n = common::FormatEntryLine(buffer.get(), size, entry, what);
    EXPECT_LT(n, size);
    EXPECT_EQ(buffer[n], '\0') << "terminated at the length it reports";
    return {std::string(buffer.get()), n};
}

TEST(EntryLine, ShortTextsAreWrittenWhole) {
    struct Case {
        const char* entry;
        const char* what;
        const char* line;
    };
    const Case cases[] = {
        {"vardelOpen", "bad allocation", "vardelOpen: bad allocation\n"},
        {"Login.dll: LoginDrawMark", nullptr, "Login.dll: LoginDrawMark: unknown exception\n"},
        {nullptr, "broken", "?: broken\n"},
        {"vardelClose", "", "vardelClose: \n"},
    };
    for (const Case& c : cases) {
        const Written w = Format(common::kEntryLineSize, c.entry, c.what);
        EXPECT_EQ(w.line, c.line);
        EXPECT_EQ(w.length, std::strlen(c.line));
    }
}

TEST(EntryLine, ALongExceptionTextIsCutToTheLine) {
    const std::string what(4000, 'w');
    for (std::size_t size : {common::kEntryLineSize, std::size_t{64}, std::size_t{40}}) {
        const Written w = Format(size, "vardelFunction", what.c_str());
        EXPECT_EQ(w.length, size - 1) << "the whole line is used";
        EXPECT_EQ(w.line.rfind("vardelFunction: ", 0), 0u) << w.line;
        ASSERT_GE(w.line.size(), 4u);
        EXPECT_EQ(w.line.substr(w.line.size() - 4), "...\n") << "marked as cut";
        const std::size_t kept = w.line.size() - std::strlen("vardelFunction: ") - 4;
        EXPECT_EQ(w.line.substr(16, kept), what.substr(0, kept));
    }
}

TEST(EntryLine, ALongEntryNameLeavesRoomForTheText) {
    const std::string entry(3000, 'e');
    const Written w = Format(common::kEntryLineSize, entry.c_str(), "out of memory");
    EXPECT_EQ(w.line.substr(w.line.size() - 16), ": out of memory\n");
    EXPECT_LE(w.line.find(':'), common::kEntryLineSize / 2);
}

TEST(EntryLine, TinyBuffersStayTerminated) {
    const std::string what(4000, 'w');
    for (std::size_t size = 1; size < 8; ++size) {
        const Written w = Format(size, "vardelDialog", what.c_str());
        EXPECT_LE(w.line.size(), size - 1);
    }
    EXPECT_EQ(common::FormatEntryLine(nullptr, 10, "a", "b"), 0u);
}

TEST(EntryLine, ACutNeverSplitsADoubleByteCharacter) {
    // "測" in code page 950 is 0xB4 0xFA; its trail byte alone would be taken
    // for another character by whoever reads the line.
    std::string what;
    for (int i = 0; i < 2000; ++i)
        what += "\xB4\xFA";
    for (std::size_t size : {std::size_t{32}, std::size_t{33}, common::kEntryLineSize}) {
        for (const char* entry : {"e", "en"}) {
            const Written w = Format(size, entry, what.c_str());
            const std::size_t start = std::strlen(entry) + 2;
            const std::size_t end = w.line.size() - 4; // before "...\n"
            ASSERT_GT(end, start);
            EXPECT_EQ((end - start) % 2, 0u) << "size " << size << " entry " << entry;
            EXPECT_EQ(w.line.substr(end), "...\n");
        }
    }
    // A lead byte at the very end of a text counts as one byte of its own.
    EXPECT_EQ(common::WholeCharacters("ab\xB4", 10), 3u);
    EXPECT_EQ(common::WholeCharacters("a\xB4\xFA", 2), 1u);
}

// ------------------------------------------------------------------ the cut

constexpr int32_t kW = 16, kH = 3;

// The columns that the cut at c made white in a black picture.
std::vector<int32_t> WhiteColumns(int32_t c) {
    std::vector<uint8_t> image(static_cast<std::size_t>(kW) * kH, 0);
    common::CutAt(image.data(), kW, kH, c);
    std::vector<int32_t> white;
    for (int32_t x = 0; x < kW; ++x) {
        int rows = 0;
        for (int32_t y = 0; y < kH; ++y)
            rows += image[static_cast<std::size_t>(y) * kW + x] == common::kCutWhite;
        EXPECT_TRUE(rows == 0 || rows == kH) << "column " << x << " whitened on every row";
        if (rows == kH)
            white.push_back(x);
    }
    return white;
}

TEST(Cut, AnyColumnOfARecordStaysInsideThePicture) {
    struct Case {
        int32_t c;
        std::vector<int32_t> white;
    };
    const Case cases[] = {
        {INT_MIN, {}},
        {INT_MIN + 1, {}},
        {-1, {}},
        {0, {0}},
        {1, {0, 1}},
        {7, {6, 7}},
        {kW - 2, {kW - 3, kW - 2}},
        {kW - 1, {kW - 2}}, // the last column is never whitened
        {kW, {}},
        {INT_MAX, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WhiteColumns(c.c), c.white) << "cut at " << c.c;
}

} // namespace
