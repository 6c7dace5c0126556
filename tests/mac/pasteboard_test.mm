// The primitive clipboard of the macOS bodies: the general pasteboard under the private type, in this
// process and between host processes (each test process has a pasteboard server of its own, see
// support/main.mm).
#import <AppKit/AppKit.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "ClipboardRecords.h"
#include "PrimitiveClipboard.h"
#include "support/HostProcess.h"

namespace {

NSString* const kPrivateType = @"com.quorvexlabs.primitiveparam";

// n records of 36 bytes: offset i, then a value whose first double is i + 0.5.
std::vector<std::uint8_t> Records(int n) {
    std::vector<std::uint8_t> bytes(36 * n, 0);
    for (int i = 0; i < n; ++i) {
        const std::int32_t offset = i;
        const double value = i + 0.5;
        std::memcpy(&bytes[36 * i], &offset, 4);
        std::memcpy(&bytes[36 * i + 4], &value, 8);
    }
    return bytes;
}

// What the general pasteboard holds under the private type, read as any application reads it.
std::vector<std::uint8_t> PasteboardBytes() {
    NSData* data = [[NSPasteboard generalPasteboard] dataForType:kPrivateType];
    const auto* first = static_cast<const std::uint8_t*>([data bytes]);
    return data ? std::vector<std::uint8_t>(first, first + [data length]) : std::vector<std::uint8_t>{};
}

bool PrivateTypeDeclared() { return [[[NSPasteboard generalPasteboard] types] containsObject:kPrivateType]; }

TEST(Pasteboard, CopyPutsTheBytesUnderThePrivateType) {
    const std::vector<std::uint8_t> records = Records(3);
    CopyBytesToClipboard(records.data(), records.size());
    EXPECT_TRUE(PrivateTypeDeclared());
    EXPECT_EQ(PasteboardBytes(), records);
    EXPECT_TRUE(IsBytesInClipboard());
    std::vector<std::uint8_t> pasted{9, 9};
    EXPECT_TRUE(PasteBytesFromClipboard(pasted));
    EXPECT_EQ(pasted, records);
}

TEST(Pasteboard, AnEmptyCopyEmptiesIt) {
    const std::vector<std::uint8_t> records = Records(2);
    for (const std::uint8_t* bytes : {static_cast<const std::uint8_t*>(nullptr), records.data()}) {
        SCOPED_TRACE(bytes ? "no bytes" : "a null pointer");
        CopyBytesToClipboard(records.data(), records.size());
        ASSERT_TRUE(IsBytesInClipboard());
        CopyBytesToClipboard(bytes, 0);
        EXPECT_FALSE(PrivateTypeDeclared());
        EXPECT_FALSE(IsBytesInClipboard());
        std::vector<std::uint8_t> untouched{7};
        EXPECT_FALSE(PasteBytesFromClipboard(untouched));
        EXPECT_EQ(untouched, std::vector<std::uint8_t>{7});
    }
}

// Another application's copy (text) replaces ours: the Paste button has nothing to offer.
TEST(Pasteboard, SomebodyElsesCopyIsNotOurs) {
    const std::vector<std::uint8_t> records = Records(1);
    CopyBytesToClipboard(records.data(), records.size());
    NSPasteboard* board = [NSPasteboard generalPasteboard];
    [board declareTypes:@[ NSPasteboardTypeString ] owner:nil];
    [board setString:@"some text" forType:NSPasteboardTypeString];
    EXPECT_FALSE(IsBytesInClipboard());
    std::vector<std::uint8_t> untouched;
    EXPECT_FALSE(PasteBytesFromClipboard(untouched));
    EXPECT_TRUE(untouched.empty());
}

// A slot copied in one host process is pasted in another: the pasted slot takes the type and the sizes,
// and keeps its own null layer.
class PasteboardBetweenHosts : public host_process::CommandLine {
protected:
    std::string Scene(const std::string& name, const std::string& json) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path) << json;
        return path;
    }
};

// The panel listing with each run of blanks as one.
std::string Squeezed(const std::string& listing) { return std::regex_replace(listing, std::regex(" +"), " "); }

TEST_F(PasteboardBetweenHosts, CopyInOnePasteInAnother) {
    CopyBytesToClipboard(nullptr, 0);
    const host_process::Result copy = host({"params", "--visible", Scene("copy.json", R"(
        {"nulls": [{"id": 2}],
         "effect": {"slots": [{"type": "Box", "layer": 2, "params": {"X Size": 123}}],
                    "actions": [{"click": "copy", "slot": 0}]}})")});
    ASSERT_EQ(copy.status, 0) << copy.err;

    // One record per parameter of the slot that holds a value: 58 of its 99.
    const std::vector<std::uint8_t> bytes = PasteboardBytes();
    ASSERT_EQ(bytes.size(), 58u * 36u);
    const PastePlan plan = checkPastedRecords(bytes.data(), bytes.size(), 0);
    EXPECT_TRUE(plan.accepted()) << plan.refusal;
    EXPECT_EQ(plan.type, 3);  // Box

    const host_process::Result paste = host({"params", "--visible", Scene("paste.json", R"(
        {"nulls": [{"id": 2}, {"id": 3}],
         "effect": {"slots": [{"type": "Sphere", "layer": 3}],
                    "actions": [{"click": "paste", "slot": 0}]}})")});
    ASSERT_EQ(paste.status, 0) << paste.err;
    const std::string panel = Squeezed(paste.out);
    EXPECT_TRUE(host_process::has(panel, "\n 5 Primitive Box -")) << paste.out;
    EXPECT_TRUE(host_process::has(panel, "\n 6 Null Layer Null 3 (layer 3) -")) << paste.out;
    EXPECT_TRUE(host_process::has(panel, "\n 8 X Size 123.00 0 .. 2000")) << paste.out;
}

}  // namespace
