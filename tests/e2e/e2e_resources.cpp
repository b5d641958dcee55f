// What brevlin.exe carries besides its code: the icon the shell shows, the
// version record, the manifest. Read from the built file itself.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "tests/design_texts.h"
#include "tests/e2e/driver.h"

using namespace brevlin::e2e;

namespace {

struct Module {
    HMODULE handle = LoadLibraryExA(ProgramPath().c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ~Module() {
        if (handle) FreeLibrary(handle);
    }
};

DWORD ResourceSize(HMODULE module, int id, LPCSTR type) {
    HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    return found ? SizeofResource(module, found) : 0;
}

std::string VersionString(const std::string& field) {
    const std::string path = ProgramPath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::string block(size, '\0');
    if (!size || !GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return "(none)";
    char* value = nullptr;
    UINT length = 0;
    const std::string query = "\\StringFileInfo\\040904B0\\" + field;
    if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        return "(missing)";
    return std::string(value, length ? length - 1 : 0);
}

}  // namespace

TEST_CASE("the program icon: two images, 16 and 32 pixels, 24 bits, in icon group 1") {
    const Module module;
    REQUIRE(module.handle);
    CHECK(ResourceSize(module.handle, 30001, MAKEINTRESOURCEA(3)) == 872);
    CHECK(ResourceSize(module.handle, 30002, MAKEINTRESOURCEA(3)) == 3240);
    // The group: a 6-byte header and a 14-byte entry for each image.
    CHECK(ResourceSize(module.handle, 1, MAKEINTRESOURCEA(14)) == 6 + 2 * 14);
    CHECK(ResourceSize(module.handle, 1, MAKEINTRESOURCEA(24)) > 0);  // the manifest
    HICON small =
        static_cast<HICON>(LoadImageA(module.handle, MAKEINTRESOURCEA(1), IMAGE_ICON, 16, 16, 0));
    CHECK(small != nullptr);
    if (small) DestroyIcon(small);
}

TEST_CASE("the version record") {
    const std::string copyright(brevlin::test::kCopyright);
    CHECK(VersionString("Comments") == "Brevlin 3.0 for Microsoft Outlook 2002. " + copyright);
    CHECK(VersionString("CompanyName") == copyright);
    CHECK(VersionString("FileDescription") == copyright);
    CHECK(VersionString("LegalTrademarks") ==
          copyright + ", Microsoft Outlook is a registered trademark of Microsoft Corporation.");
    CHECK(VersionString("ProductName") == "Brevlin 3.0");
    CHECK(VersionString("FileVersion") == "3.00");
    CHECK(VersionString("ProductVersion") == "3.00");
    CHECK(VersionString("InternalName") == "brevlin");
    CHECK(VersionString("OriginalFilename") == "brevlin.exe");

    const std::string path = ProgramPath();
    DWORD ignored = 0;
    std::string block(GetFileVersionInfoSizeA(path.c_str(), &ignored), '\0');
    REQUIRE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    REQUIRE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    CHECK(fixed->dwFileVersionMS == 0x00030000u);
    CHECK(fixed->dwFileVersionLS == 0u);
    CHECK(fixed->dwProductVersionMS == 0x00030000u);
    CHECK(fixed->dwFileFlags == 0u);
    CHECK(fixed->dwFileOS == VOS__WINDOWS32);
    CHECK(fixed->dwFileType == VFT_APP);
    DWORD* translation = nullptr;
    REQUIRE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                           reinterpret_cast<void**>(&translation), &length));
    CHECK(*translation == MAKELONG(0x0409, 1200));
}
