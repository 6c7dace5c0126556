// The primitive clipboard: its payload read as a paste (whole records only, what is skipped, what makes
// the whole paste refused), damaged payloads clicked into the panel of the real module (never a crash,
// never half applied), and the Linux store two host processes share.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "ClipboardRecords.h"
#include "PrimitiveClipboard.h"
#include "support/PipeRescuer.h"
#include "tests/ui/StripHost.h"

namespace {

using host::StripButton;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// One record: the offset, then a value whose first double is `v` (a colour's four channels for `color`).
std::vector<std::uint8_t> record(int32_t offset, double v, bool color = false) {
    std::vector<std::uint8_t> bytes(36, 0);
    std::memcpy(bytes.data(), &offset, 4);
    AEGP_StreamVal value{};
    if (color)
        value.color = {1.0, v, 0.5, 0.25};
    else
        value.one_d.value = v;
    std::memcpy(bytes.data() + 4, &value, 32);
    return bytes;
}

// The strip's own record as a copy by a build whose host reports a stream type for it writes it: a handle
// of the copying process.
std::vector<std::uint8_t> stripRecord() {
    std::vector<std::uint8_t> bytes(36, 0);
    const int32_t offset = 97;
    const std::uint64_t handle = 0x00007f3a9c402d10;
    std::memcpy(bytes.data(), &offset, 4);
    std::memcpy(bytes.data() + 4, &handle, 8);
    return bytes;
}

std::vector<std::uint8_t> join(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct PasteCase {
    const char* label;
    std::vector<std::uint8_t> bytes;
    int slot;
    bool accepted;
    std::vector<int> offsets;  // the records applied, in order
    int type;                  // the slot's new type, 0 for none
};

// Offsets: 1 a checkbox, 2 the type popup (1 .. 14), 3 the null layer, 5 a slider, 16 a colour,
// 43 a checkbox, 46 an angle, 95 a popup of 3, 96 a slider, 97 the strip's arbitrary data, 0 and 8 a
// group's start and end, 98 the slot's last group end.
std::vector<PasteCase> pasteCases() {
    std::vector<std::uint8_t> partial = record(5, 1);
    partial.resize(20);
    return {
        {"Empty", {}, 0, true, {}, 0},
        {"ShorterThanARecord", partial, 0, true, {}, 0},
        {"TrailingPartIgnored", join({record(5, 42), std::vector<std::uint8_t>(4, 0xEE)}), 0, true, {5}, 0},
        // Two records for one parameter (found by the paste fuzzer): both are written, the last stays.
        {"RepeatedOffsetLastWins", join({record(5, 3), record(5, 7)}), 0, true, {5, 5}, 0},
        {"EveryKind",
         join({record(2, 3), record(5, 1), record(16, 0.75, true), record(43, 1), record(46, -30),
               record(95, 3)}),
         4,
         true,
         {2, 5, 16, 43, 46, 95},
         3},
        {"OffsetsOutsideTheSlotSkipped",
         join({record(99, 1), record(-1, 1), record(1 << 30, 1), record(5, 2)}),
         0,
         true,
         {5},
         0},
        {"TheLayerStaysTheSlots", join({record(3, 7), record(5, 2)}), 0, true, {5}, 0},
        // A copy by a build whose host reports stream types for the strip's data and the group ends: those
        // records hold nothing a paste writes, and every other one is pasted.
        {"AnotherBuildsCopy",
         join({record(1, 1), record(2, 3), record(3, 4), record(5, 111), record(8, 0), record(16, 0.75, true),
               record(95, 2), record(96, 5), stripRecord(), record(98, 0)}),
         0,
         true,
         {1, 2, 5, 16, 95, 96},
         3},
        {"TypeZero", join({record(5, 2), record(2, 0)}), 0, false, {}, 0},
        {"TypeFifteen", join({record(2, 15)}), 0, false, {}, 0},
        {"TypeNotWhole", join({record(2, 3.5)}), 0, false, {}, 0},
        {"NaNSlider", join({record(5, 2), record(10, kNaN)}), 0, false, {}, 0},
        {"InfiniteAngle", join({record(46, -kInf)}), 0, false, {}, 0},
        {"NaNColour", join({record(16, kNaN, true)}), 0, false, {}, 0},
        {"PopupPastItsChoices", join({record(95, 4)}), 0, false, {}, 0},
        {"PopupBelowItsChoices", join({record(95, 0)}), 0, false, {}, 0},
        // Records of what holds no pasted value are passed over as the null layer's is.
        {"StripDataSkipped", join({record(5, 2), stripRecord()}), 0, true, {5}, 0},
        {"GroupStartSkipped", join({record(0, 1), record(5, 2)}), 0, true, {5}, 0},
        {"GroupEndSkipped", join({record(8, 1)}), 0, true, {}, 0},
        // ... but a value no parameter can take still refuses the whole payload around them.
        {"StripDataBesideANaN", join({stripRecord(), record(5, kNaN)}), 0, false, {}, 0},
        {"NoSuchSlot", join({record(5, 2)}), 11, false, {}, 0},
    };
}

TEST(ClipboardPaste, PayloadsReadAsAPaste) {
    for (const PasteCase& c : pasteCases()) {
        const PastePlan plan = checkPastedRecords(c.bytes.data(), c.bytes.size(), c.slot);
        EXPECT_EQ(plan.accepted(), c.accepted) << c.label << ": " << plan.refusal;
        std::vector<int> offsets;
        for (const PastedValue& v : plan.values) {
            offsets.push_back(v.offset);
            EXPECT_EQ(v.index, c.slot * 99 + 3 + v.offset) << c.label;
        }
        EXPECT_EQ(offsets, c.offsets) << c.label;
        EXPECT_EQ(plan.type, c.type) << c.label;
    }
    EXPECT_FALSE(checkPastedRecords(nullptr, 72, 0).values.size());
}

class DamagedClipboard : public StripHost {
protected:
    std::vector<std::string> slotStreams(int slot) {
        std::vector<std::string> all;
        for (int p = 0; p < kParamsPerSlot; ++p) {
            const host::Stream& s = h.project().streams[at(slot, p)];
            all.emplace_back(reinterpret_cast<const char*>(&s.value), sizeof(s.value));
        }
        return all;
    }
};

// Clicked into the panel: a refused payload changes nothing at all, even after records that were fine;
// an accepted one is applied in one undo step.
TEST_F(DamagedClipboard, NeverHalfApplied) {
    slots({PrimitiveType::Sphere, PrimitiveType::Box});
    for (const PasteCase& c : pasteCases()) {
        if (c.slot != 0) continue;
        CopyBytesToClipboard(c.bytes.data(), c.bytes.size());
        const std::vector<std::string> before = slotStreams(0);
        const PrimitiveSlot entry = seq().primitives[0];
        host::ActionReport report;
        ASSERT_EQ(click(0, StripButton::Paste, &report), PF_Err_NONE) << c.label;
        const std::vector<std::string> after = slotStreams(0);
        if (!c.accepted) {
            EXPECT_EQ(after, before) << c.label;
            EXPECT_EQ(seq().primitives[0].type, entry.type) << c.label;
            EXPECT_TRUE(report.undoGroups.empty()) << c.label;
            EXPECT_NE(report.printed.find("Clipboard data refused, nothing pasted: "), std::string::npos)
                << c.label;
        } else if (c.bytes.empty()) {
            EXPECT_TRUE(report.undoGroups.empty()) << c.label << ": an empty clipboard is nothing to paste";
        } else {
            EXPECT_EQ(report.undoGroups, std::vector<std::string>{"Primitive Pasted"}) << c.label;
            if (std::string(c.label) == "RepeatedOffsetLastWins") {
                EXPECT_EQ(value(at(0, 5)), 7.0);
            }
            for (int p = 0; p < kParamsPerSlot; ++p) {
                const bool applied = std::find(c.offsets.begin(), c.offsets.end(), p) != c.offsets.end();
                if (!applied) {
                    EXPECT_EQ(after[p], before[p]) << c.label << " offset " << p;
                }
            }
        }
        EXPECT_EQ(seq().primitives[0].layerId, 2) << c.label;
    }
    EXPECT_EQ(value(at(0, 5)), 2.0);  // the last accepted payload's "X Size"
}

// ---- The Linux store -------------------------------------------------------------------------------

std::string storeFile() {
    return std::string(std::getenv("XDG_RUNTIME_DIR")) + "/" + kPrimitiveClipboardType;
}

TEST(ClipboardStore, RoundTripEmptyingAndNothingLeftBehind) {
    const std::vector<std::uint8_t> records = join({record(5, 1), record(11, 2)});
    CopyBytesToClipboard(records.data(), records.size());
    EXPECT_TRUE(IsBytesInClipboard());
    std::vector<std::uint8_t> back;
    ASSERT_TRUE(PasteBytesFromClipboard(back));
    EXPECT_EQ(back, records);
    // The store holds the one file, written whole: no temporary is left beside it.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::getenv("XDG_RUNTIME_DIR")))
        files += entry.path().filename().string().rfind(kPrimitiveClipboardType, 0) == 0;
    EXPECT_EQ(files, 1);

    CopyBytesToClipboard(nullptr, 0);
    EXPECT_FALSE(IsBytesInClipboard());
    back = {9};
    EXPECT_FALSE(PasteBytesFromClipboard(back));
    EXPECT_EQ(back, std::vector<std::uint8_t>{9});
}

std::vector<std::uint8_t> records(int count) {
    std::vector<std::uint8_t> all;
    for (int r = 0; r < count; ++r) {
        const std::vector<std::uint8_t> one = record(5, r);
        all.insert(all.end(), one.begin(), one.end());
    }
    return all;
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Whatever any process of the user's leaves at the store's path, only a plain file of no more than a
// copy writes (99 records of 36 bytes) is read; everything else is an empty clipboard at once, the
// Paste button's test included.
TEST(ClipboardStore, OnlyAPlainFileOfSensibleSize) {
    const std::string file = storeFile();
    const std::string elsewhere = file + ".elsewhere";
    struct StoreCase {
        const char* label;
        std::function<void()> make;  // leaves something at `file` (and perhaps at `elsewhere`)
        bool holdsRecords;
        std::vector<std::uint8_t> pasted;
    };
    const std::vector<std::uint8_t> most = records(99);
    const StoreCase cases[] = {
        {"AsMuchAsACopyWrites", [&] { writeFile(file, most); }, true, most},
        {"OneRecordMoreThanACopyWrites", [&] { writeFile(file, records(100)); }, false, {}},
        {"TwoMegabytes",
         [&] { std::ofstream(file, std::ios::binary) << std::string(2 << 20, 'x'); },
         false,
         {}},
        {"FourGigabytesSparse",
         [&] {
             writeFile(file, {});
             ASSERT_EQ(truncate(file.c_str(), off_t{4} << 30), 0);
         },
         false,
         {}},
        {"EmptyFile", [&] { writeFile(file, {}); }, false, {}},
        {"NamedPipe", [&] { ASSERT_EQ(mkfifo(file.c_str(), 0600), 0); }, false, {}},
        {"Folder", [&] { ASSERT_EQ(mkdir(file.c_str(), 0700), 0); }, false, {}},
        {"Socket",
         [&] {
             const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
             ASSERT_GE(fd, 0);
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             ASSERT_LT(file.size(), sizeof(address.sun_path));
             std::memcpy(address.sun_path, file.c_str(), file.size() + 1);
             EXPECT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
             close(fd);
         },
         false,
         {}},
        {"LinkToAFile",
         [&] {
             std::ofstream(elsewhere) << std::string(36, 'x');
             ASSERT_EQ(symlink(elsewhere.c_str(), file.c_str()), 0);
         },
         false,
         {}},
        {"LinkToANamedPipe",
         [&] {
             ASSERT_EQ(mkfifo(elsewhere.c_str(), 0600), 0);
             ASSERT_EQ(symlink(elsewhere.c_str(), file.c_str()), 0);
         },
         false,
         {}},
        {"LinkToAFolder",
         [&] {
             ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
             ASSERT_EQ(symlink(elsewhere.c_str(), file.c_str()), 0);
         },
         false,
         {}},
        {"LinkToADevice", [&] { ASSERT_EQ(symlink("/dev/zero", file.c_str()), 0); }, false, {}},
    };
    for (const StoreCase& c : cases) {
        CopyBytesToClipboard(nullptr, 0);
        c.make();
        {
            PipeRescuer rescuer(file);
            PipeRescuer rescuerElsewhere(elsewhere);
            const auto start = std::chrono::steady_clock::now();
            EXPECT_EQ(IsBytesInClipboard(), c.holdsRecords) << c.label;
            std::vector<std::uint8_t> bytes = {9};
            EXPECT_EQ(PasteBytesFromClipboard(bytes), !c.pasted.empty()) << c.label;
            EXPECT_EQ(bytes, c.pasted.empty() ? std::vector<std::uint8_t>{9} : c.pasted) << c.label;
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << c.label;
            EXPECT_FALSE(rescuer.rescued() || rescuerElsewhere.rescued())
                << c.label << ": the reader blocked";
        }
        std::filesystem::remove_all(file);
        std::filesystem::remove_all(elsewhere);
    }
}

// The same as the panel meets it: a new look of the panel, the strip's drawing and a click on Paste go on
// at once, with Paste dimmed and nothing pasted.
TEST_F(DamagedClipboard, APipeAtTheStoreIsAnEmptyClipboard) {
    slots({PrimitiveType::Sphere, PrimitiveType::Box});
    CopyBytesToClipboard(nullptr, 0);
    ASSERT_EQ(mkfifo(storeFile().c_str(), 0600), 0);
    const std::vector<std::string> before = slotStreams(1);
    {
        PipeRescuer rescuer(storeFile());
        ASSERT_EQ(ui().openEffectWindow(), PF_Err_NONE);
        EXPECT_NE(ui().sent.back().printed.find("New Context. Data in clipboard: FALSE"), std::string::npos);
        std::vector<float> alphas;  // of the six button outlines
        for (const host::DrawOp& op : drawStrip(1))
            if (op.kind == host::DrawOp::StrokePath && op.path.size() == 1 &&
                op.path[0].kind == host::PathPart::Rect && op.path[0].w == 29.0f)
                alphas.push_back(op.color.a);
        ASSERT_EQ(alphas.size(), 6u);
        EXPECT_EQ(alphas[2], 0.5f);  // Paste
        host::ActionReport report;
        EXPECT_EQ(click(1, StripButton::Paste, &report), PF_Err_NONE);
        EXPECT_TRUE(report.undoGroups.empty());
        EXPECT_FALSE(rescuer.rescued()) << "the panel blocked on the pipe";
    }
    EXPECT_EQ(slotStreams(1), before);
    std::remove(storeFile().c_str());
}

// Without a runtime folder the store is a folder of the user's own under the temporary folder, made
// private; one that others may enter is not used.
TEST(ClipboardStore, PrivateFolderWithoutARuntimeFolder) {
    const std::string runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string tmp = runtime + "/tmp";
    ASSERT_EQ(mkdir(tmp.c_str(), 0755), 0);
    const char* oldTmp = std::getenv("TMPDIR");
    const std::string keptTmp = oldTmp ? oldTmp : "";
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", tmp.c_str(), 1);

    const std::vector<std::uint8_t> records = record(5, 1);
    CopyBytesToClipboard(records.data(), records.size());
    const std::string folder = tmp + "/morphalith-" + std::to_string(getuid());
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    std::vector<std::uint8_t> back;
    EXPECT_TRUE(PasteBytesFromClipboard(back));
    EXPECT_EQ(back, records);

    ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
    EXPECT_FALSE(IsBytesInClipboard());
    EXPECT_FALSE(PasteBytesFromClipboard(back));

    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    if (oldTmp)
        setenv("TMPDIR", keptTmp.c_str(), 1);
    else
        unsetenv("TMPDIR");
    std::filesystem::remove_all(tmp);
}

// A host process copies a slot; this one reads the records it left.
TEST(ClipboardStore, SharedBetweenHostProcesses) {
    CopyBytesToClipboard(nullptr, 0);
    const std::string scene = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/copy.json";
    std::ofstream(scene) << R"({"nulls": [{"id": 2}], "effect": {"slots": [{"type": "Box", "layer": 2,
        "params": {"X Size": 123}}], "actions": [{"click": "copy", "slot": 0}]}})";
    const std::string command =
        std::string(MRPH_TEST_HOST_PATH) + " params --visible " + scene + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(PasteBytesFromClipboard(bytes));
    ASSERT_EQ(bytes.size(), 58u * 36u);
    const PastePlan plan = checkPastedRecords(bytes.data(), bytes.size(), 1);
    EXPECT_TRUE(plan.accepted()) << plan.refusal;
    EXPECT_EQ(plan.type, 3);
    std::remove(scene.c_str());
}

}  // namespace
