// The resources of the built saver, read back from torvex.scr itself (TORVEX_SAVER names it):
// the about box template field by field, the icon group, the version information and the
// manifest, all under the language Japanese.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "resources/version.h"
#include "shell_test_support.h"

namespace {

constexpr WORD Japanese = 1041;

// The texts as the .rc stores them, in code page 932, and as the system shows them.
const char FontNameBytes[] = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";
const wchar_t FontNameWide[] = L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF";
const char NewsTextBytes[] = "\x8d\xc5\x90\x56\x8f\xee\x95\xf1";
const wchar_t NewsTextWide[] = L"\x6700\x65B0\x60C5\x5831";
const char DescriptionBytes[] =
    "TORVEX \x83\x58\x83\x4e\x83\x8a\x81\x5b\x83\x93\x83\x5a\x81\x5b\x83\x6f\x81\x5b";
const wchar_t DescriptionWide[] = L"TORVEX \x30B9\x30AF\x30EA\x30FC\x30F3\x30BB\x30FC\x30D0\x30FC";

std::string SaverPath() {
    std::string path = ReadEnvironment("TORVEX_SAVER");
    // A Unix path from the build reaches Wine as is; drive Z: is the Unix root.
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

std::string ToCodePage932(const std::wstring& wide) {
    const int length = WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string bytes(length, '\0');
    WideCharToMultiByte(932, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), length,
                        nullptr, nullptr);
    return bytes;
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<WORD>*>(list)->push_back(language);
    return TRUE;
}

// Reads a DLGTEMPLATE and its DLGITEMTEMPLATEs in order, checking its bounds as it goes.
class TemplateReader {
public:
    explicit TemplateReader(const std::vector<uint8_t>& bytes) : data(bytes) {}

    bool Ok() const { return ok; }
    size_t Offset() const { return offset; }

    template <typename T>
    T Read() {
        T value{};
        if (offset + sizeof(T) > data.size()) {
            ok = false;
            return value;
        }
        std::memcpy(&value, data.data() + offset, sizeof(T));
        offset += sizeof(T);
        return value;
    }

    // A sz_Or_Ord field: 0 (none), 0xFFFF and an ordinal, or a zero-terminated UTF-16 string.
    struct NameOrOrdinal {
        bool isOrdinal = false;
        WORD ordinal = 0;
        std::wstring text;
    };
    NameOrOrdinal ReadNameOrOrdinal() {
        NameOrOrdinal field;
        const WORD first = Read<WORD>();
        if (first == 0xFFFF) {
            field.isOrdinal = true;
            field.ordinal = Read<WORD>();
            return field;
        }
        for (WORD c = first; ok && c != 0; c = Read<WORD>()) {
            field.text.push_back(static_cast<wchar_t>(c));
        }
        return field;
    }

    void AlignToDword() { offset = (offset + 3) & ~size_t{3}; }

private:
    const std::vector<uint8_t>& data;
    size_t offset = 0;
    bool ok = true;
};

class SaverResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u) << "the texts below are compared in code page 932";
        const std::string path = SaverPath();
        ASSERT_FALSE(path.empty()) << "TORVEX_SAVER names no saver";
        saver = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(saver, nullptr) << path << ": error " << GetLastError();
    }
    void TearDown() override {
        if (saver != nullptr) {
            FreeLibrary(saver);
        }
    }

    std::vector<WORD> Languages(LPCSTR type, LPCSTR name) const {
        std::vector<WORD> languages;
        EnumResourceLanguagesA(saver, type, name, CollectLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
        return languages;
    }

    // The resource's bytes in Japanese; empty if there is none.
    std::vector<uint8_t> Bytes(LPCSTR type, LPCSTR name) const {
        HRSRC found = FindResourceExA(saver, type, name, Japanese);
        if (found == nullptr) {
            return {};
        }
        const auto* start = static_cast<const uint8_t*>(LockResource(LoadResource(saver, found)));
        return std::vector<uint8_t>(start, start + SizeofResource(saver, found));
    }

    HMODULE saver = nullptr;
};

TEST_F(SaverResourcesTest, EachResourceExistsInJapaneseOnly) {
    struct Case {
        const char* what;
        LPCSTR type;
        LPCSTR name;
    };
    const Case cases[] = {
        {"about box", RT_DIALOG, MAKEINTRESOURCEA(IDD_ABOUT)},
        {"icon group", RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_TORVEX)},
        {"version", RT_VERSION, MAKEINTRESOURCEA(1)},
        {"manifest", RT_MANIFEST, MAKEINTRESOURCEA(1)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Languages(c.type, c.name), std::vector<WORD>{Japanese}) << c.what;
    }
}

TEST_F(SaverResourcesTest, AboutBoxTemplateHasItsFields) {
    const std::vector<uint8_t> bytes = Bytes(RT_DIALOG, MAKEINTRESOURCEA(IDD_ABOUT));
    ASSERT_FALSE(bytes.empty());
    TemplateReader reader(bytes);

    // A DIALOGEX template would start with version 1 and signature 0xFFFF.
    EXPECT_EQ(reader.Read<DWORD>(),
              DWORD{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT});
    EXPECT_EQ(reader.Read<DWORD>(), 0u) << "extended style";
    EXPECT_EQ(reader.Read<WORD>(), 2) << "controls";
    const short x = reader.Read<short>(), y = reader.Read<short>();
    const short cx = reader.Read<short>(), cy = reader.Read<short>();
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(cx, 87);
    EXPECT_EQ(cy, 55);

    const auto menu = reader.ReadNameOrOrdinal();
    EXPECT_TRUE(!menu.isOrdinal && menu.text.empty()) << "a menu";
    const auto windowClass = reader.ReadNameOrOrdinal();
    EXPECT_TRUE(!windowClass.isOrdinal && windowClass.text.empty()) << "a window class";
    const auto caption = reader.ReadNameOrOrdinal();
    EXPECT_EQ(caption.text, L"TORVEX Version1.00");
    EXPECT_EQ(ToCodePage932(caption.text), "TORVEX Version1.00");

    EXPECT_EQ(reader.Read<WORD>(), 9) << "point size";
    const auto font = reader.ReadNameOrOrdinal();
    EXPECT_FALSE(font.isOrdinal);
    EXPECT_EQ(font.text, FontNameWide);
    EXPECT_EQ(ToCodePage932(font.text), FontNameBytes);
    ASSERT_TRUE(reader.Ok());

    struct Control {
        WORD id;
        std::wstring wideText;
        std::string textBytes;
        short x, y, cx, cy;
        DWORD style;
    };
    // In template order, which is the tab order: OK first although the news button is above it.
    const Control expected[] = {
        {IDOK, L"OK", "OK", 18, 30, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
        {IDC_NEWS, NewsTextWide, NewsTextBytes, 18, 10, 50, 14,
         WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
    };
    for (const Control& want : expected) {
        SCOPED_TRACE("control " + std::to_string(want.id));
        reader.AlignToDword();
        EXPECT_EQ(reader.Read<DWORD>(), want.style);
        EXPECT_EQ(reader.Read<DWORD>(), 0u) << "extended style";
        const short cX = reader.Read<short>(), cY = reader.Read<short>();
        const short cCx = reader.Read<short>(), cCy = reader.Read<short>();
        EXPECT_EQ(cX, want.x);
        EXPECT_EQ(cY, want.y);
        EXPECT_EQ(cCx, want.cx);
        EXPECT_EQ(cCy, want.cy);
        EXPECT_EQ(reader.Read<WORD>(), want.id);
        // The standard button class: its predefined ordinal, or its name.
        const auto controlClass = reader.ReadNameOrOrdinal();
        if (controlClass.isOrdinal) {
            EXPECT_EQ(controlClass.ordinal, 0x0080);
        } else {
            EXPECT_EQ(CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, controlClass.text.c_str(),
                                     -1, L"Button", -1),
                      CSTR_EQUAL)
                << "class " << ToCodePage932(controlClass.text);
        }
        const auto text = reader.ReadNameOrOrdinal();
        EXPECT_FALSE(text.isOrdinal);
        EXPECT_EQ(text.text, want.wideText);
        EXPECT_EQ(ToCodePage932(text.text), want.textBytes);
        EXPECT_EQ(reader.Read<WORD>(), 0) << "creation data";
        ASSERT_TRUE(reader.Ok());
    }
    reader.AlignToDword();
    EXPECT_EQ(reader.Offset(), bytes.size()) << "bytes after the last control";
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

TEST_F(SaverResourcesTest, IconGroupHoldsOne32By32SixteenColourImage) {
    const std::vector<uint8_t> group = Bytes(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_TORVEX));
    ASSERT_EQ(group.size(), 6 + sizeof(IconGroupEntry));
    WORD header[3];
    std::memcpy(header, group.data(), sizeof header);
    EXPECT_EQ(header[0], 0) << "reserved";
    EXPECT_EQ(header[1], 1) << "type: icon";
    EXPECT_EQ(header[2], 1) << "images";
    IconGroupEntry entry;
    std::memcpy(&entry, group.data() + 6, sizeof entry);
    EXPECT_EQ(entry.width, 32);
    EXPECT_EQ(entry.height, 32);
    EXPECT_EQ(entry.colorCount, 16);

    std::vector<uint8_t> image = Bytes(RT_ICON, MAKEINTRESOURCEA(entry.id));
    ASSERT_EQ(image.size(), entry.bytesInRes);
    ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER info;
    std::memcpy(&info, image.data(), sizeof info);
    EXPECT_EQ(info.biWidth, 32);
    EXPECT_EQ(info.biHeight, 64) << "the colour image and its mask";
    EXPECT_EQ(info.biBitCount, 4);
    // Palette, 4-bit colour rows, then 1-bit mask rows padded to 4 bytes.
    const size_t colours = info.biSize + 16 * 4, mask = colours + 32 * 16;
    ASSERT_EQ(image.size(), mask + 32 * 4);

    // A picture, not a blank square: many of the 16 colours used, and a shape against a
    // transparent surround.
    bool used[16] = {};
    for (size_t i = colours; i < mask; ++i) {
        used[image[i] >> 4] = used[image[i] & 15] = true;
    }
    int usedCount = 0;
    for (bool u : used) {
        usedCount += u ? 1 : 0;
    }
    EXPECT_GE(usedCount, 10);
    int transparent = 0;
    for (size_t i = mask; i < image.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            transparent += (image[i] >> bit) & 1;
        }
    }
    EXPECT_GT(transparent, 32 * 32 / 8);
    EXPECT_LT(transparent, 32 * 32 * 7 / 8);

    HICON icon = CreateIconFromResourceEx(image.data(), static_cast<DWORD>(image.size()), TRUE,
                                          0x00030000, 32, 32, 0);
    EXPECT_NE(icon, nullptr) << "the system does not take the image";
    if (icon != nullptr) {
        DestroyIcon(icon);
    }
}

// VERSION.DLL is loaded at run time: the test programs import system DLLs of the saver's list only.
struct VersionFunctions {
    using SizeFunction = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using InfoFunction = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using QueryFunction = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    HMODULE library = LoadLibraryA("version.dll");
    SizeFunction size = reinterpret_cast<SizeFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetFileVersionInfoSizeW")));
    InfoFunction info = reinterpret_cast<InfoFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "GetFileVersionInfoW")));
    QueryFunction query = reinterpret_cast<QueryFunction>(
        reinterpret_cast<void*>(GetProcAddress(library, "VerQueryValueW")));
    ~VersionFunctions() { FreeLibrary(library); }
};

TEST_F(SaverResourcesTest, VersionInformationNamesTheProduct) {
    VersionFunctions version;
    ASSERT_TRUE(version.size != nullptr && version.info != nullptr && version.query != nullptr);
    const std::string path = SaverPath();
    const std::wstring widePath(path.begin(), path.end());
    DWORD ignored = 0;
    const DWORD size = version.size(widePath.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<uint8_t> wideBlock(size);
    ASSERT_TRUE(version.info(widePath.c_str(), 0, size, wideBlock.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(version.query(wideBlock.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD major = TORVEX_VERSION_MAJOR;
    const DWORD minor = TORVEX_VERSION_MINOR;
    EXPECT_EQ(fixed->dwFileVersionMS, major << 16 | minor);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, major << 16 | minor);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileType, DWORD{VFT_APP});

    WORD* translation = nullptr;
    ASSERT_TRUE(version.query(wideBlock.data(), L"\\VarFileInfo\\Translation",
                              reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], Japanese);
    EXPECT_EQ(translation[1], 932);

    struct Case {
        const wchar_t* name;
        std::wstring wide;
        std::string bytes;
    };
    const Case cases[] = {
        {L"ProductName", L"TORVEX", "TORVEX"},
        {L"FileDescription", DescriptionWide, DescriptionBytes},
        {L"FileVersion", L"" TORVEX_VERSION_TEXT, TORVEX_VERSION_TEXT},
        {L"ProductVersion", L"" TORVEX_VERSION_TEXT, TORVEX_VERSION_TEXT},
        {L"OriginalFilename", L"torvex.scr", "torvex.scr"},
    };
    for (const Case& c : cases) {
        const std::wstring key = std::wstring(L"\\StringFileInfo\\041103a4\\") + c.name;
        wchar_t* value = nullptr;
        ASSERT_TRUE(
            version.query(wideBlock.data(), key.c_str(), reinterpret_cast<void**>(&value), &length))
            << ToCodePage932(c.name);
        EXPECT_EQ(std::wstring(value), c.wide) << ToCodePage932(c.name);
        EXPECT_EQ(ToCodePage932(value), c.bytes) << ToCodePage932(c.name);
    }
}

TEST_F(SaverResourcesTest, ManifestAsksForCommonControls6AndNoDpiAwareness) {
    const std::vector<uint8_t> bytes = Bytes(RT_MANIFEST, MAKEINTRESOURCEA(1));
    const std::string manifest(bytes.begin(), bytes.end());
    ASSERT_FALSE(manifest.empty());
    const char* present[] = {
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        "publicKeyToken=\"6595b64144ccf1df\"",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
    };
    for (const char* text : present) {
        EXPECT_NE(manifest.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
}

}  // namespace
