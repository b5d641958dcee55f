// The same cases against every registry we have: the in-memory store
// everywhere, and the real registry when built for Windows.
#include <doctest/doctest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <windows.h>
#endif

#include "registry/code_page.h"
#include "registry/mdlreg.h"
#include "registry/raw.h"
#include "tests/registry_backends.h"

using namespace brevlin;
using brevlin::test::StoreBackend;

#ifdef _WIN32
using brevlin::test::Advapi32Backend;
#define BREVLIN_BACKENDS StoreBackend, Advapi32Backend
#else
#define BREVLIN_BACKENDS StoreBackend
#endif

namespace {

constexpr RegRoot HKCU = RegRoot::CurrentUser;

std::vector<std::uint8_t> Bytes(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::vector<std::uint8_t> Le32(std::uint32_t v) {
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

}  // namespace

TEST_CASE_TEMPLATE("text values read up to their first NUL", B, BREVLIN_BACKENDS) {
    B b;
    const auto& s = b.scratch;
    s.PutText("k", "terminated", std::string("abc\0", 4));
    s.PutText("k", "bare", "abc");
    s.PutText("k", "embedded", std::string("ab\0cd\0", 6));
    s.PutText("k", "nothing", "");

    CHECK(s.Get("k", "terminated")->bytes.size() == 4);
    CHECK(s.Get("k", "bare")->bytes.size() == 3);
    CHECK(s.Get("k", "nothing")->bytes.empty());

    const std::string key = s.Path("k");
    CHECK(mdlreg::ReadString(b.reg, HKCU, key, "terminated") == "abc");
    CHECK(mdlreg::ReadString(b.reg, HKCU, key, "bare") == "abc");
    CHECK(mdlreg::ReadString(b.reg, HKCU, key, "embedded") == "ab");
    CHECK(mdlreg::ReadString(b.reg, HKCU, key, "nothing") == "");
    CHECK(b.reg.OpenHandles() == 0);
}

TEST_CASE_TEMPLATE("a text read yields the empty text for anything but REG_SZ", B,
                   BREVLIN_BACKENDS) {
    B b;
    const auto& s = b.scratch;
    s.Put("k", "expand", regtype::kExpandSz, Bytes(std::string("abc\0", 4)));
    s.Put("k", "multi", regtype::kMultiSz, Bytes(std::string("abc\0\0", 5)));
    s.Put("k", "binary", regtype::kBinary, Bytes("abc"));
    s.Put("k", "dword", regtype::kDword, Le32(1));
    s.Put("k", "qword", regtype::kQword, {1, 0, 0, 0, 0, 0, 0, 0});

    const std::string key = s.Path("k");
    for (const char* name : {"expand", "multi", "binary", "dword", "qword", "missing"}) {
        CAPTURE(name);
        CHECK(mdlreg::ReadString(b.reg, HKCU, key, name) == "");
    }
    CHECK(mdlreg::ReadString(b.reg, HKCU, s.Path("no\\such\\key"), "value") == "");
    CHECK(b.reg.OpenHandles() == 0);
}

TEST_CASE_TEMPLATE("a number read takes only a 4-byte REG_DWORD, as signed", B, BREVLIN_BACKENDS) {
    B b;
    const auto& s = b.scratch;
    s.Put("k", "one", regtype::kDword, Le32(1));
    s.Put("k", "all_bits", regtype::kDword, Le32(0xFFFFFFFFu));
    s.Put("k", "lowest", regtype::kDword, Le32(0x80000000u));
    s.Put("k", "order", regtype::kDword, Le32(0x01020304u));
    s.Put("k", "short", regtype::kDword, {5});
    s.PutText("k", "text_one", std::string("1\0", 2));
    s.Put("k", "binary", regtype::kBinary, Le32(1));
    s.Put("k", "qword", regtype::kQword, {1, 0, 0, 0, 0, 0, 0, 0});

    const std::string key = s.Path("k");
    CHECK(mdlreg::ReadDword(b.reg, HKCU, key, "one") == 1);
    CHECK(mdlreg::ReadDword(b.reg, HKCU, key, "all_bits") == -1);
    CHECK(mdlreg::ReadDword(b.reg, HKCU, key, "lowest") == INT_MIN);
    CHECK(mdlreg::ReadDword(b.reg, HKCU, key, "order") == 0x01020304);
    CHECK(mdlreg::ReadDword(b.reg, HKCU, key, "short") == 5);  // its low byte
    CHECK(mdlreg::ReadDword(b.reg, HKCU, key, "text_one") == 0);
    CHECK(mdlreg::ReadDword(b.reg, HKCU, key, "binary") == 0);
    CHECK(mdlreg::ReadDword(b.reg, HKCU, key, "qword") == 0);  // larger than 4 bytes
    CHECK(mdlreg::ReadDword(b.reg, HKCU, key, "missing") == 0);
    CHECK(mdlreg::ReadDword(b.reg, HKCU, s.Path("no\\such"), "one") == 0);
    CHECK(b.reg.OpenHandles() == 0);
}

TEST_CASE_TEMPLATE("writing a text", B, BREVLIN_BACKENDS) {
    B b;
    const auto& s = b.scratch;
    const std::string key = s.Path("k");

    SUBCASE("the empty text is a REG_SZ value of 0 bytes, not a missing value") {
        CHECK(mdlreg::WriteString(b.reg, HKCU, key, "v", "").ok());
        const auto stored = s.Get("k", "v");
        REQUIRE(stored);
        CHECK(stored->type == regtype::kSz);
        CHECK(stored->bytes.empty());
        CHECK(mdlreg::ReadString(b.reg, HKCU, key, "v") == "");
    }
    SUBCASE("the count leaves the terminator out, but the registry keeps one") {
        // Given a count without the NUL, Windows stores the NUL that follows
        // the data in memory as well: 169 characters land as 170 bytes.
        const std::string list(169, 'x');
        CHECK(mdlreg::WriteString(b.reg, HKCU, key, "v", list).ok());
        const auto stored = s.Get("k", "v");
        REQUIRE(stored);
        CHECK(stored->type == regtype::kSz);
        CHECK(stored->bytes.size() == 170);
        CHECK(stored->bytes.back() == 0);
        CHECK(mdlreg::ReadString(b.reg, HKCU, key, "v") == list);
    }
    SUBCASE("a text replaces a value of another type") {
        s.Put("k", "v", regtype::kDword, Le32(7));
        CHECK(mdlreg::WriteString(b.reg, HKCU, key, "v", "exe;zip").ok());
        CHECK(s.Get("k", "v")->type == regtype::kSz);
        CHECK(mdlreg::ReadString(b.reg, HKCU, key, "v") == "exe;zip");
    }
    SUBCASE("a 64 KiB text comes back whole") {
        std::string big(64 * 1024, ' ');
        for (std::size_t i = 0; i < big.size(); ++i) big[i] = char('a' + i % 26);
        CHECK(mdlreg::WriteString(b.reg, HKCU, key, "v", big).ok());
        CHECK(mdlreg::ReadString(b.reg, HKCU, key, "v") == big);
    }
    CHECK(b.reg.OpenHandles() == 0);
}

TEST_CASE_TEMPLATE("writing a number", B, BREVLIN_BACKENDS) {
    B b;
    const auto& s = b.scratch;

    SUBCASE("four bytes, least significant first") {
        CHECK(mdlreg::WriteDword(b.reg, HKCU, s.Path("k"), "v", -2).ok());
        const auto stored = s.Get("k", "v");
        REQUIRE(stored);
        CHECK(stored->type == regtype::kDword);
        CHECK(stored->bytes == Le32(0xFFFFFFFEu));
        CHECK(mdlreg::ReadDword(b.reg, HKCU, s.Path("k"), "v") == -2);
        CHECK(mdlreg::WriteDword(b.reg, HKCU, s.Path("k"), "v", 0x7A3B2C1D).ok());
        CHECK(s.Get("k", "v")->bytes == std::vector<std::uint8_t>{0x1D, 0x2C, 0x3B, 0x7A});
    }
    SUBCASE("the two missing keys at the end of the path are created") {
        s.MakeKey("top");
        CHECK(mdlreg::WriteDword(b.reg, HKCU, s.Path("top\\mid\\leaf"), "v", 1).ok());
        CHECK(s.Exists("top\\mid"));
        CHECK(mdlreg::ReadDword(b.reg, HKCU, s.Path("top\\mid\\leaf"), "v") == 1);
    }
    SUBCASE("a number replaces a text") {
        s.PutText("k", "v", "1");
        CHECK(mdlreg::WriteDword(b.reg, HKCU, s.Path("k"), "v", 0).ok());
        CHECK(s.Get("k", "v")->bytes == Le32(0));
    }
    CHECK(b.reg.OpenHandles() == 0);
}

TEST_CASE_TEMPLATE("reads never create a key", B, BREVLIN_BACKENDS) {
    B b;
    const auto& s = b.scratch;
    mdlreg::ReadDword(b.reg, HKCU, s.Path("a\\b"), "v");
    mdlreg::ReadString(b.reg, HKCU, s.Path("a\\b"), "v");
    // mdlreg's algorithm closes what its open left, 0 too; nothing else does.
    CHECK(b.reg.closes_of_nothing == 2);
    raw::ReadValue(b.reg, HKCU, s.Path("a\\b"), "v");
    raw::ProbeKey(b.reg, HKCU, s.Path("a\\b"));
    CHECK(b.reg.closes_of_nothing == 2);
    CHECK_FALSE(s.Exists("a"));
    CHECK(b.reg.OpenHandles() == 0);
}

TEST_CASE_TEMPLATE("creating and deleting keys", B, BREVLIN_BACKENDS) {
    B b;
    const auto& s = b.scratch;

    SUBCASE("creating a key that exists keeps its values and subkeys") {
        s.PutText("k", "v", "kept");
        s.MakeKey("k\\child");
        CHECK(mdlreg::CreateKey(b.reg, HKCU, s.Path("k")).ok());
        CHECK(mdlreg::ReadString(b.reg, HKCU, s.Path("k"), "v") == "kept");
        CHECK(s.Exists("k\\child"));
    }
    SUBCASE("creating a missing key leaves an empty key") {
        CHECK(mdlreg::CreateKey(b.reg, HKCU, s.Path("new\\deeper")).ok());
        CHECK(s.Exists("new\\deeper"));
        CHECK_FALSE(s.Get("new\\deeper", "v"));
    }
    SUBCASE("deleting removes the key with its values") {
        s.PutText("k", "v", "gone");
        CHECK(mdlreg::DeleteKey(b.reg, HKCU, s.Path("k")).ok());
        CHECK_FALSE(s.Exists("k"));
    }
    SUBCASE("deleting a missing key changes nothing and counts as done") {
        s.MakeKey("other");
        CHECK(mdlreg::DeleteKey(b.reg, HKCU, s.Path("missing")).ok());
        CHECK(s.Exists("other"));
    }
    SUBCASE("a key with subkeys is not deleted, and the caller is told") {
        s.MakeKey("k\\child");
        const auto result = mdlreg::DeleteKey(b.reg, HKCU, s.Path("k"));
        CHECK(result.status == status::kAccessDenied);
        CHECK(result.key_has_subkeys);
        CHECK(s.Exists("k\\child"));
    }
    CHECK(b.reg.OpenHandles() == 0);
}

TEST_CASE_TEMPLATE("what mdlreg relies on in the platform functions", B, BREVLIN_BACKENDS) {
    B b;
    const auto& s = b.scratch;
    RegistryPlatform& reg = b.reg;
    s.PutText("k", "v", std::string("hello\0", 6));
    const std::string key_path = s.Path("k");

    RegHandle key = 0;
    REQUIRE(reg.OpenKey(HKCU, key_path.c_str(), &key) == status::kSuccess);

    SUBCASE("a null buffer reports type and size") {
        std::uint32_t type = 0xDEADBEEF, size = 0;
        CHECK(reg.QueryValue(key, "v", &type, nullptr, &size) == status::kSuccess);
        CHECK(type == regtype::kSz);
        CHECK(size == 6);
    }
    SUBCASE("a short buffer fails with more-data, reports the size, and is left alone") {
        std::uint8_t buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        std::uint32_t type = 0, size = sizeof buffer;
        CHECK(reg.QueryValue(key, "v", &type, buffer, &size) == status::kMoreData);
        CHECK(size == 6);
        CHECK(type == regtype::kSz);
        for (std::uint8_t left : buffer) CHECK(left == 0xAA);
    }
    SUBCASE("a missing value fails and reports type and size 0") {
        std::uint32_t type = 0xDEADBEEF, size = 0xDEADBEEF;
        CHECK(reg.QueryValue(key, "none", &type, nullptr, &size) == status::kFileNotFound);
        CHECK(type == 0);
        CHECK(size == 0);
    }
    SUBCASE("a missing value: the wide query leaves the type alone, not the size") {
        std::uint32_t type = 0xDEADBEEF, size = 0xDEADBEEF;
        CHECK(reg.QueryValueW(key, "none", &type, nullptr, &size) == 2);
        CHECK(type == 0xDEADBEEF);
        CHECK(size == 0);
    }
    SUBCASE("a buffer without its size is refused; no data with no size is an empty value") {
        std::uint8_t buffer[8] = {};
        std::uint32_t type = 0;
        CHECK(reg.QueryValue(key, "v", &type, buffer, nullptr) == 87);
        CHECK(reg.SetValue(key, "e", regtype::kBinary, nullptr, 0) == status::kSuccess);
        CHECK(s.Get("k", "e") == StoredValue{regtype::kBinary, {}});
    }
    SUBCASE("names are not case-sensitive") {
        std::uint32_t type = 0, size = 0;
        CHECK(reg.QueryValue(key, "V", &type, nullptr, &size) == status::kSuccess);
        RegHandle same = 0;
        const std::string upper = s.Path("K");
        CHECK(reg.OpenKey(HKCU, upper.c_str(), &same) == status::kSuccess);
        reg.CloseKey(same);
    }
    CHECK(reg.CloseKey(key) == status::kSuccess);

    SUBCASE("the null handle fails everywhere and writes nothing") {
        std::uint32_t type = 0xDEADBEEF, size = 0xDEADBEEF;
        CHECK(reg.QueryValue(0, "v", &type, nullptr, &size) != status::kSuccess);
        CHECK(type == 0xDEADBEEF);
        const std::uint8_t data[] = {1, 2, 3, 4};
        CHECK(reg.SetValue(0, "v", regtype::kDword, data, 4) != status::kSuccess);
        CHECK(reg.CloseKey(0) != status::kSuccess);
    }
    SUBCASE("open never creates; delete tells missing from refused") {
        RegHandle none = 0xDEAD;
        const std::string missing = s.Path("missing");
        CHECK(reg.OpenKey(HKCU, missing.c_str(), &none) == status::kFileNotFound);
        CHECK_FALSE(s.Exists("missing"));
        CHECK(reg.DeleteKey(HKCU, missing.c_str()) == status::kFileNotFound);
        s.MakeKey("k\\sub");
        CHECK(reg.DeleteKey(HKCU, key_path.c_str()) == status::kAccessDenied);
    }
    SUBCASE("a handle on a deleted key fails with key-deleted") {
        RegHandle open = 0;
        REQUIRE(reg.OpenKey(HKCU, key_path.c_str(), &open) == status::kSuccess);
        REQUIRE(reg.DeleteKey(HKCU, key_path.c_str()) == status::kSuccess);
        std::uint32_t type = 0, size = 0;
        CHECK(reg.QueryValue(open, "v", &type, nullptr, &size) == status::kKeyDeleted);
        reg.CloseKey(open);
    }
    CHECK(b.reg.OpenHandles() == 0);
}

TEST_CASE_TEMPLATE("texts: the A functions convert through code page 1252, the W ones do not", B,
                   BREVLIN_BACKENDS) {
    struct Row {
        const char* what;
        bool wide;  // set through SetValueW, else SetValue
        std::uint32_t type, size;
        std::vector<std::uint8_t> memory;  // the data and what follows it
        std::vector<std::uint8_t> stored;  // as QueryValueW gives it
        std::vector<std::uint8_t> ansi;    // as QueryValue gives it
        bool ended_given_room;             // QueryValueW adds a NUL unit
    };
    // clang-format off
    const std::vector<Row> rows = {
        {"A: a text in the code page, its NUL following", false, regtype::kSz, 5,
         {0xE9, 0x80, 0x9F, 0x81, 'A', 0},
         {0xE9, 0, 0xAC, 0x20, 0x78, 0x01, 0x81, 0, 'A', 0, 0, 0},
         {0xE9, 0x80, 0x9F, 0x81, 'A', 0}, false},
        {"A: a list of texts is a text too", false, regtype::kMultiSz, 2, {0xE9, 'A', 0},
         {0xE9, 0, 'A', 0, 0, 0}, {0xE9, 'A', 0}, false},
        {"A: other types as they are", false, regtype::kBinary, 3,
         {0xE9, 0x80, 0, 0}, {0xE9, 0x80, 0}, {0xE9, 0x80, 0}, false},
        {"W: CJK and a lone surrogate, no NUL after", true, regtype::kSz, 4,
         {0xE5, 0x65, 0x00, 0xD8, 'X', 'X'}, {0xE5, 0x65, 0x00, 0xD8}, {'?', '?'}, true},
        {"W: best fit, and the NUL unit after", true, regtype::kSz, 8,
         {0x00, 0x01, 0x01, 0xFF, 0xAC, 0x20, 0xFF, 0x00, 0, 0},
         {0x00, 0x01, 0x01, 0xFF, 0xAC, 0x20, 0xFF, 0x00, 0, 0}, {'A', '!', 0x80, 0xFF, 0}, false},
        {"W: an odd count ending in a NUL takes the unit after it", true, regtype::kSz, 5,
         {'a', 0, 'b', 0, 0, 0, 0x5A}, {'a', 0, 'b', 0, 0, 0, 0x5A}, {'a', 'b', 0}, true},
        {"W: an odd text otherwise stays odd", true, regtype::kSz, 3,
         {'a', 0, 'b', 0, 0}, {'a', 0, 'b'}, {'a'}, true},
        {"W: a 1-byte NUL after a unit that is not one", true, regtype::kSz, 1,
         {0, 0, 0}, {0, 0, 0}, {0}, false},
    };
    // clang-format on
    B b;
    RegistryPlatform& reg = b.reg;
    RegHandle key = 0;
    REQUIRE(reg.CreateKey(HKCU, b.scratch.Path("k").c_str(), &key) == status::kSuccess);
    for (const Row& row : rows) {
        CAPTURE(std::string(row.what));
        // Windows looks before a 1-byte text: the buffers start with 0x11.
        std::vector<std::uint8_t> memory = {0x11, 0x11};
        memory.insert(memory.end(), row.memory.begin(), row.memory.end());
        const auto set = row.wide ? &RegistryPlatform::SetValueW : &RegistryPlatform::SetValue;
        CHECK((reg.*set)(key, "v", row.type, &memory[2], row.size) == status::kSuccess);

        // What lands in a buffer `room` bytes larger than the size the
        // query reports, and in a guard byte after it.
        const auto read = [&](bool wide, std::uint32_t room) {
            const auto query = wide ? &RegistryPlatform::QueryValueW
                                    : &RegistryPlatform::QueryValue;
            std::uint32_t type = 0, size = 0;
            (reg.*query)(key, "v", &type, nullptr, &size);
            std::vector<std::uint8_t> buffer(1 + size + room + 1, 0xCC);
            buffer[0] = 0x11;
            std::uint32_t capacity = size + room;
            CHECK((reg.*query)(key, "v", &type, &buffer[1], &capacity) == status::kSuccess);
            CHECK((type == row.type && capacity == size));
            return std::vector<std::uint8_t>(buffer.begin() + 1, buffer.end());
        };
        const auto then = [](std::vector<std::uint8_t> bytes, std::vector<std::uint8_t> after) {
            bytes.insert(bytes.end(), after.begin(), after.end());
            return bytes;
        };
        CHECK(read(true, 0) == then(row.stored, {0xCC}));
        CHECK(read(false, 0) == then(row.ansi, {0xCC}));
        const std::uint8_t end = row.ended_given_room ? 0 : 0xCC;
        CHECK(read(true, 2) == then(row.stored, {end, end, 0xCC}));
    }
    CHECK(reg.CloseKey(key) == status::kSuccess);
    CHECK(b.reg.OpenHandles() == 0);
}

TEST_CASE_TEMPLATE("exact writes and reads carry type and bytes as stored, and make no keys", B,
                   BREVLIN_BACKENDS) {
    B b;
    const auto& s = b.scratch;
    // Each goes in and comes back byte for byte, with no terminator added.
    // clang-format off
    const std::vector<StoredValue> exact = {
        {regtype::kSz, {}}, {regtype::kSz, {0}}, {regtype::kSz, {'a', 0, 'b'}},
        {regtype::kSz, {0xE5, 0x65, 0x00, 0xD8}}, {regtype::kSz, {0x3D, 0xD8, 0x00, 0xDE, 0, 0}},
        {regtype::kMultiSz, {'a', 0, 0, 0}}, {0x12345678u, {0, 0xFF, 0, 0, 0, 0, 0, 0}}};
    // clang-format on
    const std::string made = s.Path("made\\k");
    for (const StoredValue& value : exact) {
        CAPTURE(value.bytes.size());
        REQUIRE(raw::WriteValue(b.reg, HKCU, made, "v", value.type, value.bytes).ok());
        const raw::Value read = raw::ReadValue(b.reg, HKCU, made, "v");
        CHECK(read.presence == raw::Presence::Present);
        CHECK(StoredValue{read.type, read.bytes} == value);
    }
    CHECK(raw::DeleteValue(b.reg, HKCU, made, "v").ok());
    CHECK(raw::ReadValue(b.reg, HKCU, made, "v").presence == raw::Presence::Absent);
    CHECK(s.Exists("made\\k"));
    CHECK(raw::DeleteValue(b.reg, HKCU, made, "v").ok());  // gone already
    CHECK(raw::DeleteValue(b.reg, HKCU, s.Path("no\\such"), "v").ok());

    CHECK(raw::ReadValue(b.reg, HKCU, s.Path("no\\such"), "v").presence == raw::Presence::Absent);
    CHECK(raw::ProbeKey(b.reg, HKCU, made).presence == raw::Presence::Present);
    CHECK(raw::ProbeKey(b.reg, HKCU, s.Path("no\\such")).presence == raw::Presence::Absent);
    CHECK_FALSE(s.Exists("no"));
    CHECK(b.reg.OpenHandles() == 0);
}

// The code page's own table, as Windows and Wine ship it: a header of
// 13 units, then the 256 units the bytes stand for, and further on one byte
// for each of the 65,536 units, best fit included.
TEST_CASE("the store converts texts unit for unit as code page 1252's own table says") {
#ifdef _WIN32
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    const std::string path = std::string(folder) + "\\c_1252.nls";
#else
    const std::string path = "/usr/share/wine/nls/c_1252.nls";  // Debian's wine has it
#endif
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> nls{std::istreambuf_iterator<char>(file), {}};
    REQUIRE_MESSAGE(nls.size() == 66082, path << " is not code page 1252's table");
    const auto word = [&](std::size_t index) { return nls[2 * index] | nls[2 * index + 1] << 8; };
    const std::size_t tables = static_cast<std::size_t>(word(0));
    const std::size_t to_bytes = 2 * (tables + static_cast<std::size_t>(word(tables)) + 1);
    for (unsigned code = 0; code < 256; ++code) {
        const std::uint8_t ansi[] = {static_cast<std::uint8_t>(code)};
        const int unit = word(tables + 1 + code);
        CHECK(code_page::AnsiToUtf16(ansi) ==
              std::vector<std::uint8_t>{std::uint8_t(unit), std::uint8_t(unit >> 8)});
    }
    std::size_t differ = 0;
    for (unsigned unit = 0; unit < 0x10000; ++unit) {
        const std::uint8_t utf16[] = {std::uint8_t(unit), std::uint8_t(unit >> 8)};
        differ += code_page::Utf16ToAnsi(utf16) != std::vector<std::uint8_t>{nls[to_bytes + unit]};
    }
    CHECK(differ == 0);
}

namespace {

// A registry whose query reports one byte less than it wrote.
class OverrunningRegistry final : public test::ForwardingRegistry {
public:
    using ForwardingRegistry::ForwardingRegistry;
    RegStatus QueryValue(RegHandle key, const char* name, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* size) override {
        const RegStatus result = ForwardingRegistry::QueryValue(key, name, type, data, size);
        if (data && result == status::kSuccess && *size > 0) --*size;
        return result;
    }
};

}  // namespace

// Passes only when the check in Scratch::Get fails.
TEST_CASE("the guard byte catches a query that writes past the size it reports" *
          doctest::should_fail()) {
    RegistryStore store;
    OverrunningRegistry reg(store);
    const test::Scratch scratch(reg, "Software\\BrevlinTest");
    scratch.Put("k", "v", regtype::kBinary, {1, 2, 3});
    scratch.Get("k", "v");
}
