// Morphalith.aex as a host meets it: loaded with LoadLibrary, registered, its resources read back
// (property list, About image, Debug Information dialog), its global set-up run with the About image
// decoded from the module, and its log on the Windows desktop.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "GlobalData.h"
#include "Headers/LogsController.h"
#include "Version.h"
#include "host/Host.h"
#include "stb/stb_image.h"
#include "stb/stb_image_write.h"
#include "tests/win/wine_support.h"

namespace {

using wine_test::DebugOutputCapture;

// The bytes of one resource of a loaded module; empty when it has none.
std::string resourceBytes(HMODULE module, LPCSTR type, LPCSTR name, WORD language) {
    HRSRC info = FindResourceExA(module, type, name, language);
    if (!info) return "";
    const void* data = LockResource(LoadResource(module, info));
    return data ? std::string(static_cast<const char*>(data), SizeofResource(module, info)) : "";
}

constexpr WORD kEnglishUS = 1033;

// A little-endian reader over resource bytes.
class Reader {
public:
    explicit Reader(const std::string& bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }
    size_t offset() const { return at_; }
    void alignTo(size_t n) { at_ = (at_ + n - 1) / n * n; }
    uint32_t u(size_t size) {
        if (at_ + size > bytes_.size()) {
            ok_ = false;
            return 0;
        }
        uint32_t v = 0;
        for (size_t i = 0; i < size; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(bytes_[at_ + i])) << (8 * i);
        at_ += size;
        return v;
    }
    std::string raw(size_t size) {
        if (at_ + size > bytes_.size()) {
            ok_ = false;
            return "";
        }
        std::string s = bytes_.substr(at_, size);
        at_ += size;
        return s;
    }
    // A zero-terminated UTF-16 text, ASCII only here.
    std::string wide() {
        std::string s;
        for (uint32_t c = u(2); ok_ && c != 0; c = u(2)) s.push_back(static_cast<char>(c));
        return s;
    }
    // A name or ordinal of a dialog template: 0xFFFF then the ordinal, or a text.
    std::string nameOrOrdinal() {
        const uint32_t first = u(2);
        if (first == 0xFFFF) return "#" + std::to_string(u(2));
        if (first == 0) return "";
        std::string s(1, static_cast<char>(first));
        return s + wide();
    }

private:
    const std::string& bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryA(wine_test::modulePath().c_str());
        ASSERT_NE(module_, nullptr) << wine_test::modulePath() << ": error " << GetLastError();
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

TEST_F(ModuleTest, RegistersAndExportsItsThreeSymbols) {
    host::Host h(wine_test::modulePath());
    ASSERT_TRUE(h.load()) << h.error();
    const host::Registration& r = h.module().registration();
    EXPECT_EQ(r.calls, 1);
    EXPECT_EQ(r.name, "Morphalith");
    EXPECT_EQ(r.matchName, "QVX_Morphalith");
    EXPECT_EQ(r.category, "Quorvex Labs");
    EXPECT_EQ(r.entryPoint, "EffectMain");
    EXPECT_EQ(r.kind, 0x65464B54);  // 'eFKT'
    EXPECT_EQ(r.apiMajor, 13);
    EXPECT_EQ(r.apiMinor, 28);  // the Windows build's API subversion
    EXPECT_EQ(r.reservedInfo, 8);

    EXPECT_NE(GetProcAddress(module_, "EffectMain"), nullptr);
    EXPECT_NE(GetProcAddress(module_, "PluginDataEntryFunction"), nullptr);
    const auto* optimus = reinterpret_cast<const uint32_t*>(GetProcAddress(module_, "NvOptimusEnablementCuda"));
    ASSERT_NE(optimus, nullptr);
    EXPECT_EQ(*optimus, 1u);
}

// The property list, property by property, in the host's published layout: a 16-bit format word 1, a
// 32-bit list version 0 and the count; then per property the vendor '8BIM', its key, id 0, the data's
// length and the data. A four-character code (key or value) is its 32-bit word stored little-endian, so
// its characters come in reverse order; a version is two little-endian 16-bit words, major first.
TEST_F(ModuleTest, PropertyListHoldsTheTwelvePropertiesInOrder) {
    const std::string pipl = resourceBytes(module_, "PiPL", MAKEINTRESOURCEA(16000), kEnglishUS);
    ASSERT_FALSE(pipl.empty()) << "no PiPL 16000 in language 1033";
    Reader in(pipl);
    EXPECT_EQ(in.u(2), 1u);
    EXPECT_EQ(in.u(4), 0u);
    ASSERT_EQ(in.u(4), 12u);

    auto bytes = [](std::initializer_list<unsigned char> b) { return std::string(b.begin(), b.end()); };
    auto word = [](uint32_t v) {
        return std::string{(char)(v & 0xFF), (char)(v >> 8 & 0xFF), (char)(v >> 16 & 0xFF), (char)(v >> 24)};
    };
    auto pascalString = [](const std::string& s) { return std::string(1, static_cast<char>(s.size())) + s; };
    struct Property {
        A_long key;
        std::string data;  // without the zero padding to the stated length
    } expected[] = {
        {MRPH_FOURCC('k', 'i', 'n', 'd'), bytes({0x54, 0x4B, 0x46, 0x65})},  // 'eFKT' as 0x65464B54: "TKFe"
        {MRPH_FOURCC('n', 'a', 'm', 'e'), pascalString("Morphalith")},
        {MRPH_FOURCC('c', 'a', 't', 'g'), pascalString("Quorvex Labs")},
        {MRPH_FOURCC('8', '6', '6', '4'), "EffectMain"},
        {MRPH_FOURCC('e', 'P', 'V', 'R'), bytes({0x02, 0x00, 0x00, 0x00})},  // 2.0
        {MRPH_FOURCC('e', 'S', 'V', 'R'), bytes({0x0D, 0x00, 0x1C, 0x00})},  // 13.28
        {MRPH_FOURCC('e', 'V', 'E', 'R'), bytes({0x02, 0x86, 0x08, 0x00})},  // 558594 = 0x00088602
        {MRPH_FOURCC('e', 'I', 'N', 'F'), word(0)},
        {MRPH_FOURCC('e', 'G', 'L', 'O'), bytes({0x00, 0x84, 0x00, 0x06})},  // 0x06008400
        {MRPH_FOURCC('e', 'G', 'L', '2'), bytes({0x06, 0x14, 0x20, 0x0B})},  // 0x0B201406
        {MRPH_FOURCC('e', 'M', 'N', 'A'), pascalString("QVX_Morphalith")},
        {MRPH_FOURCC('a', 'e', 'F', 'L'), word(0)},
    };
    for (const Property& p : expected) {
        SCOPED_TRACE(word(static_cast<uint32_t>(p.key)));
        EXPECT_EQ(in.raw(4), "MIB8");  // '8BIM'
        EXPECT_EQ(in.u(4), static_cast<uint32_t>(p.key));
        EXPECT_EQ(in.u(4), 0u);
        const uint32_t length = in.u(4);
        EXPECT_EQ(length % 4, 0u);
        const std::string data = in.raw(length);
        ASSERT_GE(data.size(), p.data.size());
        EXPECT_EQ(data.substr(0, p.data.size()), p.data);
        EXPECT_EQ(data.find_first_not_of('\0', p.data.size()), std::string::npos) << "padding is zeros";
    }
    EXPECT_TRUE(in.ok());
    EXPECT_EQ(in.offset(), pipl.size());
    // The words the host reads before loading equal what global set-up declares.
    EXPECT_EQ(kEffectVersionWord, 558594u);
    EXPECT_EQ(kEffectOutFlags, 0x06008400);
    EXPECT_EQ(kEffectOutFlags2, 0x0B201406);
}

// Dialog 101 as an extended template: header, font, and four controls with their ids, classes
// (0x80 button, 0x81 edit), texts, places and styles; and its empty layout resource.
TEST_F(ModuleTest, DebugDialogTemplateAndItsLayoutResource) {
    const std::string bytes = resourceBytes(module_, MAKEINTRESOURCEA(5) /* RT_DIALOG */, MAKEINTRESOURCEA(101), kEnglishUS);
    ASSERT_FALSE(bytes.empty());
    Reader in(bytes);
    EXPECT_EQ(in.u(2), 1u);       // version
    EXPECT_EQ(in.u(2), 0xFFFFu);  // extended template
    in.u(4);                      // help id
    EXPECT_EQ(in.u(4), 0u);       // no extended style
    EXPECT_EQ(in.u(4), 0x80CC00C8u);
    ASSERT_EQ(in.u(2), 4u);
    const uint32_t place[4] = {in.u(2), in.u(2), in.u(2), in.u(2)};
    EXPECT_EQ(place[0], 0u);
    EXPECT_EQ(place[1], 0u);
    EXPECT_EQ(place[2], 460u);
    EXPECT_EQ(place[3], 200u);
    EXPECT_EQ(in.nameOrOrdinal(), "");  // no menu
    EXPECT_EQ(in.nameOrOrdinal(), "");  // the standard dialog class
    EXPECT_EQ(in.wide(), "Debug Information");
    EXPECT_EQ(in.u(2), 8u);    // points
    EXPECT_EQ(in.u(2), 400u);  // weight
    EXPECT_EQ(in.u(1), 0u);    // not italic
    EXPECT_EQ(in.u(1), 1u);    // character set
    EXPECT_EQ(in.wide(), "MS Shell Dlg");

    struct Control {
        uint32_t id;
        const char* cls;
        const char* text;
        uint32_t x, y, cx, cy, style;
    } controls[] = {
        {1, "#128", "OK", 405, 180, 50, 14, 0x50010001},
        {3, "#128", "Cancel", 350, 180, 50, 14, 0x50010000},
        {4, "#128", "Save", 295, 180, 50, 14, 0x50010000},
        {1001, "#129", "", 5, 5, 450, 170, 0x50A100C4},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.id);
        in.alignTo(4);
        in.u(4);                 // help id
        EXPECT_EQ(in.u(4), 0u);  // extended style
        EXPECT_EQ(in.u(4), c.style);
        EXPECT_EQ(in.u(2), c.x);
        EXPECT_EQ(in.u(2), c.y);
        EXPECT_EQ(in.u(2), c.cx);
        EXPECT_EQ(in.u(2), c.cy);
        EXPECT_EQ(in.u(4), c.id);
        EXPECT_EQ(in.nameOrOrdinal(), c.cls);
        EXPECT_EQ(in.nameOrOrdinal(), c.text);
        in.raw(in.u(2));  // creation data
    }
    EXPECT_TRUE(in.ok());

    EXPECT_EQ(resourceBytes(module_, "AFX_DIALOG_LAYOUT", MAKEINTRESOURCEA(101), kEnglishUS), std::string(2, '\0'));
}

TEST_F(ModuleTest, AboutImageResourceIsThe250By70RGBAPNG) {
    const std::string png = resourceBytes(module_, MAKEINTRESOURCEA(255), MAKEINTRESOURCEA(254), kEnglishUS);
    ASSERT_GT(png.size(), 26u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(static_cast<unsigned char>(png[25]), 6);  // colour type: RGBA
    EXPECT_EQ(png, wine_test::readFile(wine_test::sourceFile("resources/about_image.png")));
}

// Global set-up through EffectMain: the declared words, and the About image taken from the module's
// resource into the host's handle as B, G, R, A.
TEST(ModuleGlobalSetup, DeclaresItselfAndDecodesTheAboutImageFromItsResources) {
    host::Host h(wine_test::modulePath());
    ASSERT_TRUE(h.load()) << h.error();
    ASSERT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE) << h.returnMessage();
    EXPECT_EQ(h.outData().my_version, 558594u);
    EXPECT_EQ(h.outData().out_flags, 0x06008400);
    EXPECT_EQ(h.outData().out_flags2, 0x0B201406);
    ASSERT_NE(h.inData().global_data, nullptr);

    const auto* global = static_cast<const GlobalData*>(h.handles().block(h.inData().global_data));
    ASSERT_NE(global->aboutImage, nullptr);
    const CachedImage& image = *global->aboutImage;
    EXPECT_EQ(image.width, 250);
    EXPECT_EQ(image.height, 70);
    EXPECT_EQ(image.channels, 4);
    EXPECT_EQ(image.layout, 3);  // Drawbot's 32-bit BGR
    ASSERT_EQ(h.handles().size(image.pixels), 70000u);  // row bytes 1,000
    EXPECT_EQ(h.handles().lockDepth(image.pixels), 0);

    int w = 0, hgt = 0, n = 0;
    const std::string file = wine_test::readFile(wine_test::sourceFile("resources/about_image.png"));
    stbi_uc* rgba = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(file.data()), static_cast<int>(file.size()),
                                          &w, &hgt, &n, 4);
    ASSERT_NE(rgba, nullptr);
    const auto* bgra = static_cast<const unsigned char*>(h.handles().block(image.pixels));
    int mismatches = 0;
    for (size_t i = 0; i < 70000; i += 4)
        mismatches += bgra[i] != rgba[i + 2] || bgra[i + 1] != rgba[i + 1] || bgra[i + 2] != rgba[i] ||
                      bgra[i + 3] != rgba[i + 3];
    stbi_image_free(rgba);
    EXPECT_EQ(mismatches, 0);

    EXPECT_EQ(h.command(PF_Cmd_GLOBAL_SETDOWN), PF_Err_NONE);
    EXPECT_EQ(h.handles().live(), 0u);
    EXPECT_TRUE(h.suites().balanced()) << h.suites().imbalance();
}

// Looking the module up from its own addresses (global set-up, each resource read) takes no
// reference, so the host's one FreeLibrary unloads it.
TEST(ModuleGlobalSetup, TheHostsFreeLibraryUnloadsTheModuleAfterSetUp) {
    wine_test::ScratchFolder folder;
    const std::string copy = folder.path() + "Morphalith.aex";
    ASSERT_TRUE(CopyFileA(wine_test::modulePath().c_str(), copy.c_str(), FALSE));
    {
        host::Host h(copy);
        ASSERT_TRUE(h.load()) << h.error();
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE) << h.returnMessage();
            ASSERT_EQ(h.command(PF_Cmd_GLOBAL_SETDOWN), PF_Err_NONE);
        }
        EXPECT_NE(GetModuleHandleA(copy.c_str()), nullptr);
        h.module().unload();
        EXPECT_EQ(GetModuleHandleA(copy.c_str()), nullptr) << "the module is still loaded";
    }
}

// Copies of the module whose About resource is missing or replaced, as UpdateResource leaves them.
std::string pngBytes(int width, int height, int channels, const std::vector<unsigned char>& pixels) {
    std::string out;
    stbi_write_png_to_func([](void* context, void* data, int size) { static_cast<std::string*>(context)->append(static_cast<char*>(data), size); },
                           &out, width, height, channels, pixels.data(), width * channels);
    return out;
}

TEST(ModuleAboutResource, MissingUnreadableOrOtherPNGs) {
    struct Case {
        const char* name;
        bool remove;
        std::string bytes;
        PF_Err err;
        const char* line;      // the loader's log line on failure
        unsigned char first[4];  // the first pixel as held: B, G, R, A
    } cases[] = {
        {"no resource", true, "", PF_Err_BAD_CALLBACK_PARAM, "Cannot find 'about' resource.", {}},
        {"not a PNG", false, "\x89PNG but not really", PF_Err_BAD_CALLBACK_PARAM, "Cannot load 'about' image.", {}},
        {"RGB", false, pngBytes(2, 1, 3, {10, 20, 30, 40, 50, 60}), PF_Err_NONE, nullptr, {30, 20, 10, 255}},
        {"grey", false, pngBytes(2, 1, 1, {77, 78}), PF_Err_NONE, nullptr, {77, 77, 77, 255}},
        {"RGBA", false, pngBytes(2, 1, 4, {10, 20, 30, 40, 1, 2, 3, 4}), PF_Err_NONE, nullptr, {30, 20, 10, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        wine_test::ScratchFolder folder;
        const std::string copy = folder.path() + "Morphalith.aex";
        ASSERT_TRUE(CopyFileA(wine_test::modulePath().c_str(), copy.c_str(), FALSE));
        // "No resource": every resource of the copy is dropped.
        HANDLE update = BeginUpdateResourceA(copy.c_str(), c.remove);
        ASSERT_NE(update, nullptr);
        if (!c.remove) {
            ASSERT_TRUE(UpdateResourceA(update, MAKEINTRESOURCEA(255), MAKEINTRESOURCEA(254), kEnglishUS,
                                        const_cast<char*>(c.bytes.data()), static_cast<DWORD>(c.bytes.size())));
        }
        ASSERT_TRUE(EndUpdateResourceA(update, FALSE));

        host::Host h(copy);
        ASSERT_TRUE(h.load()) << h.error();
        DebugOutputCapture console;
        EXPECT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), c.err);
        if (c.err) {
            EXPECT_TRUE(console.contains(std::string("[Morphalith] : ") + c.line + "\n")) << console.text();
            EXPECT_TRUE(console.contains("[Morphalith] : Error loading about image\n")) << console.text();
            EXPECT_EQ(h.returnMessage(), "Cannot Load Image");
            EXPECT_TRUE(h.outData().out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE);
            EXPECT_EQ(h.inData().global_data, nullptr);
        } else {
            const auto* global = static_cast<const GlobalData*>(h.handles().block(h.inData().global_data));
            const CachedImage& image = *global->aboutImage;
            EXPECT_EQ(image.width, 2);
            EXPECT_EQ(image.channels, 4);
            ASSERT_EQ(h.handles().size(image.pixels), 8u);
            EXPECT_EQ(std::memcmp(h.handles().block(image.pixels), c.first, 4), 0);
            EXPECT_EQ(h.command(PF_Cmd_GLOBAL_SETDOWN), PF_Err_NONE);
        }
        EXPECT_EQ(h.handles().live(), 0u);
        h.module().unload();
    }
}

std::string desktopFolder() {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, path);
    return path;
}

// A module installed under a folder named "_DebugLog" writes its log on the user's desktop as well as
// to the debugger output; elsewhere only to the debugger output.
TEST(ModuleLog, GoesToTheDebuggerAndUnderADebugLogFolderToTheDesktop) {
    const std::string logFile = desktopFolder() + "\\Quorvex-Labs\\Morphalith.log";
    for (bool marked : {false, true}) {
        SCOPED_TRACE(marked ? "under _DebugLog" : "elsewhere");
        DeleteFileA(logFile.c_str());
        wine_test::ScratchFolder folder;
        const std::string dir = folder.path() + (marked ? "Plug-ins_DebugLog\\" : "Plug-ins\\");
        CreateDirectoryA(dir.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(wine_test::modulePath().c_str(), (dir + "Morphalith.aex").c_str(), FALSE));
        host::Host h(dir + "Morphalith.aex");
        ASSERT_TRUE(h.load()) << h.error();
        DebugOutputCapture console;
        ASSERT_EQ(h.command(PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
        EXPECT_TRUE(console.contains("[Morphalith] : Welcome!\n[Morphalith] : Morphalith, v1.1.0 in ae13\n"))
            << console.text();
        const std::string log = wine_test::readFile(logFile);
        if (marked) {  // a Windows text file: CR LF line ends
            EXPECT_NE(log.find(" [Morphalith] : Welcome!\r\n"), std::string::npos) << log;
            EXPECT_NE(log.find(" [Morphalith] : Global Setup\r\n"), std::string::npos) << log;
        } else {
            EXPECT_EQ(log, "");
        }
        h.command(PF_Cmd_GLOBAL_SETDOWN);
        h.module().unload();
    }
    DeleteFileA(logFile.c_str());
}

// A saved build log goes to the desktop's "Quorvex Labs" folder, its path joined with backslashes, each
// run of line ends collapsed to one (written as a Windows text file).
TEST(ModuleLog, SavedLogsGoToTheDesktopFolderWithBackslashes) {
    host::Host h(wine_test::modulePath());
    h.outData().my_version = 558594;
    const std::string expected = desktopFolder() + "\\Quorvex Labs\\Morphalith.log";
    DeleteFileA(expected.c_str());
    EXPECT_EQ(saveLogs(&h.inData(), &h.outData(), "a\n\n\nb\n\n"), expected);
    const std::string saved = wine_test::readFile(expected);
    EXPECT_NE(saved.find(" :: [MRPH] :: Morphalith, v1.1.0 in AE v13.28\r\na\r\nb\r\n\r\n"), std::string::npos) << saved;
    DeleteFileA(expected.c_str());
}

}  // namespace
