// The primitive clipboard on the Win32 clipboard: records copied by one host process arrive unchanged
// in another, under the registered private format, with an owner window of the copying process; other
// contents are not taken for records; an empty copy empties the clipboard; and a clipboard held by
// someone else leaves everything as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "PrimitiveClipboard.h"
#include "tests/win/wine_support.h"

namespace {

// Two 36-byte records as a slot copy writes them: offset 4 with a double 0.25, offset 17 with 90.
std::vector<std::uint8_t> twoRecords() {
    std::vector<std::uint8_t> bytes(72, 0);
    const int32_t offsets[2] = {4, 17};
    const double values[2] = {0.25, 90.0};
    for (int i = 0; i < 2; ++i) {
        std::memcpy(&bytes[i * 36], &offsets[i], 4);
        std::memcpy(&bytes[i * 36 + 4], &values[i], 8);
        bytes[i * 36 + 35] = static_cast<std::uint8_t>(0xA0 + i);  // the last byte of the value, too
    }
    return bytes;
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : bytes) out += {digits[b >> 4], digits[b & 15]};
    return out;
}

void putText(const char* text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, std::strlen(text) + 1);
    std::memcpy(GlobalLock(block), text, std::strlen(text) + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

// The clipboard's bytes may run past what was copied (allocation granularity); the records lead.
void expectRecords(const std::vector<std::uint8_t>& pasted, const std::vector<std::uint8_t>& copied) {
    ASSERT_GE(pasted.size(), copied.size());
    EXPECT_TRUE(std::equal(copied.begin(), copied.end(), pasted.begin()));
}

TEST(Clipboard, RecordsCopiedInOneProcessArriveInAnother) {
    const std::vector<std::uint8_t> records = twoRecords();
    wine_test::ScratchFolder folder;

    // This process copies, another pastes.
    CopyBytesToClipboard(records.data(), records.size());
    std::string printed;
    ASSERT_EQ(wine_test::runChild({"paste", folder.path() + "pasted"}, &printed), 0) << printed;
    EXPECT_NE(printed.find("available=1"), std::string::npos);
    const std::string pasted = wine_test::readFile(folder.path() + "pasted");
    expectRecords(std::vector<std::uint8_t>(pasted.begin(), pasted.end()), records);

    // Another process copies and is gone; this one pastes.
    std::vector<std::uint8_t> other = records;
    other[4] ^= 0xFF;
    ASSERT_EQ(wine_test::runChild({"copy", hex(other)}), 0);
    EXPECT_TRUE(IsBytesInClipboard());
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(PasteBytesFromClipboard(back));
    expectRecords(back, other);
}

TEST(Clipboard, UsesTheRegisteredFormatAndAnOwnerWindowOfTheCopyingProcess) {
    const std::vector<std::uint8_t> records = twoRecords();
    CopyBytesToClipboard(records.data(), records.size());

    const UINT format = RegisterClipboardFormatA("com.quorvexlabs.primitiveparam");
    ASSERT_NE(format, 0u);
    EXPECT_TRUE(IsClipboardFormatAvailable(format));
    char name[64] = {};
    GetClipboardFormatNameA(format, name, sizeof(name));
    EXPECT_STREQ(name, "com.quorvexlabs.primitiveparam");
    EXPECT_EQ(CountClipboardFormats(), 1);

    // Windows refuses SetClipboardData to a clipboard opened without an owner.
    HWND owner = GetClipboardOwner();
    ASSERT_NE(owner, nullptr);
    DWORD process = 0;
    GetWindowThreadProcessId(owner, &process);
    EXPECT_EQ(process, GetCurrentProcessId());
}

TEST(Clipboard, OtherContentsAreNotRecords) {
    putText("not a primitive");
    EXPECT_FALSE(IsBytesInClipboard());
    std::vector<std::uint8_t> bytes = {7};
    EXPECT_FALSE(PasteBytesFromClipboard(bytes));
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{7});
}

// A slot with no records to copy still empties the clipboard, and Paste then finds nothing.
TEST(Clipboard, AnEmptyCopyEmptiesTheClipboard) {
    putText("earlier text");
    CopyBytesToClipboard(nullptr, 0);
    EXPECT_EQ(CountClipboardFormats(), 0);
    EXPECT_FALSE(IsBytesInClipboard());
    std::vector<std::uint8_t> bytes;
    EXPECT_FALSE(PasteBytesFromClipboard(bytes));
}

// While another program holds the clipboard open, Copy changes nothing and says so in the log.
TEST(Clipboard, AClipboardHeldElsewhereIsLeftAsItWas) {
    putText("kept");
    std::atomic<int> state{0};  // 1: held open, 2: may close
    std::thread holder([&] {
        if (!OpenClipboard(nullptr)) {
            state = -1;
            return;
        }
        state = 1;
        while (state != 2) Sleep(5);
        CloseClipboard();
    });
    while (state == 0) Sleep(5);
    ASSERT_EQ(state, 1);
    wine_test::DebugOutputCapture console;
    const std::vector<std::uint8_t> records = twoRecords();
    CopyBytesToClipboard(records.data(), records.size());
    state = 2;
    holder.join();
    EXPECT_TRUE(console.contains("OpenClipboard failed with error")) << console.text();
    EXPECT_FALSE(IsBytesInClipboard());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
}

}  // namespace
