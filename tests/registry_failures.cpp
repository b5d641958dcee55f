// The failure paths of mdlreg, made to happen with the store's refusals and
// its hook between two queries.
#include <doctest/doctest.h>

#include <functional>
#include <vector>

#include "registry/mdlreg.h"
#include "registry/raw.h"
#include "registry/store.h"
#include "tests/registry_backends.h"

using namespace brevlin;

namespace {
constexpr RegRoot HKCU = RegRoot::CurrentUser;
constexpr RegRoot HKLM = RegRoot::LocalMachine;
constexpr const char* kKey = "Software\\Test";

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }
}  // namespace

TEST_CASE("a key that may not be read reads as missing and is not created") {
    RegistryStore store;
    store.Put(HKCU, kKey, "s", regtype::kSz, Bytes("text"));
    store.Put(HKCU, kKey, "d", regtype::kDword, {1, 0, 0, 0});
    store.Refuse(HKCU, kKey, kRefuseOpen);
    CHECK(mdlreg::ReadString(store, HKCU, kKey, "s") == "");
    CHECK(mdlreg::ReadDword(store, HKCU, kKey, "d") == 0);
    CHECK(mdlreg::ReadDword(store, HKCU, "Software\\Test\\Below", "d") == 0);
    CHECK_FALSE(store.HasKey(HKCU, "Software\\Test\\Below"));
    // Nor can its value be deleted: a key we may not open is not ours to change.
    CHECK(raw::DeleteValue(store, HKCU, kKey, "s").status == status::kAccessDenied);
    CHECK(store.Value(HKCU, kKey, "s"));
    CHECK(store.OpenHandles() == 0);
}

TEST_CASE("writes that are refused leave the registry as it was and say why") {
    RegistryStore store;
    store.Put(HKLM, "Software\\Existing", "v", regtype::kDword, {1, 0, 0, 0});
    store.Refuse(HKLM, "Software", kRefuseCreate | kRefuseSet | kRefuseDelete);
    const std::string before = store.Dump();

    CHECK(mdlreg::CreateKey(store, HKLM, "Software\\New\\Key").status == status::kAccessDenied);
    CHECK(mdlreg::WriteDword(store, HKLM, "Software\\Existing", "v", 0).status ==
          status::kAccessDenied);
    CHECK(mdlreg::WriteString(store, HKLM, "Software\\Missing", "v", "x").status ==
          status::kAccessDenied);
    CHECK(raw::DeleteValue(store, HKLM, "Software\\Existing", "v").status == status::kAccessDenied);
    const auto refused_delete = mdlreg::DeleteKey(store, HKLM, "Software\\Existing");
    CHECK(refused_delete.status == status::kAccessDenied);
    CHECK_FALSE(refused_delete.key_has_subkeys);  // a question of rights

    CHECK(store.Dump() == before);
    CHECK(store.OpenHandles() == 0);
}

TEST_CASE("a value refused in keys the write had to make leaves none of them behind") {
    // An account that may make subkeys but not set values (an inherited
    // KEY_READ | KEY_CREATE_SUB_KEY): the keys made on the way go again.
    RegistryStore store;
    store.Put(HKCU, "Software\\Outlook", "kept", regtype::kDword, {1, 0, 0, 0});
    store.Refuse(HKCU, "Software\\Outlook", kRefuseSet);
    const std::string before = store.Dump();

    CHECK(mdlreg::WriteString(store, HKCU, "Software\\Outlook\\Security", "v", "x").status ==
          status::kAccessDenied);
    CHECK(mdlreg::WriteDword(store, HKCU, "Software\\Outlook\\A\\B\\C", "v", 1).status ==
          status::kAccessDenied);
    const auto exact =
        raw::WriteValue(store, HKCU, "Software\\Outlook\\A\\B", "v", regtype::kSz, Bytes("x"));
    CHECK((exact.status == status::kAccessDenied && exact.left_behind == 0));
    CHECK(store.Dump() == before);
    CHECK(store.OpenHandles() == 0);

    // When the keys may not be deleted either, the topmost one made stays,
    // and the result names it.
    store.Refuse(HKCU, "Software\\Outlook", kRefuseDelete);
    const std::string_view deep = "Software\\Outlook\\A\\B";
    CHECK(mdlreg::WriteDword(store, HKCU, deep, "v", 1).LeftBehindIn(deep) ==
          "Software\\Outlook\\A");
    const std::string_view near = "Software\\Outlook\\Z";
    CHECK(raw::WriteValue(store, HKCU, near, "v", regtype::kBinary, {}).LeftBehindIn(near) == near);
    CHECK((store.HasKey(HKCU, "Software\\Outlook\\A\\B") && store.HasKey(HKCU, near)));
    store.Put(HKCU, "Software\\Outlook\\Preferences", "other", regtype::kDword, {0, 0, 0, 0});

    // A key that was there before stays, even when the value is refused.
    const std::string with_key = store.Dump();
    CHECK(mdlreg::WriteDword(store, HKCU, "Software\\Outlook\\Preferences", "v", 1).status ==
          status::kAccessDenied);
    CHECK(store.Dump() == with_key);
}

TEST_CASE("a create refused after it made the keys above: those keys go again") {
    RegistryStore store;
    store.Put(HKCU, "Software", "kept", regtype::kDword, {1, 0, 0, 0});
    const std::string before = store.Dump();
    test::FailingRegistry reg(store);
    reg.Fail(test::FailingRegistry::Call::CreateAfterParent, 5, "\\A\\B");
    CHECK(mdlreg::WriteDword(reg, HKCU, "Software\\A\\B", "v", 1).status == 5);
    CHECK(mdlreg::CreateKey(reg, HKCU, "Software\\A\\B").status == 5);
    CHECK(raw::WriteValue(reg, HKCU, "Software\\A\\B", "v", regtype::kSz, {}).status == 5);
    CHECK(store.Dump() == before);
    CHECK(store.OpenHandles() == 0);
}

TEST_CASE("refusals under one root do not touch the other") {
    RegistryStore store;
    store.Refuse(HKLM, "Software", kRefuseAll);
    CHECK(mdlreg::WriteDword(store, HKCU, "Software\\Test", "v", 5).ok());
    CHECK(mdlreg::ReadDword(store, HKCU, "Software\\Test", "v") == 5);
    CHECK_FALSE(store.HasKey(HKLM, "Software\\Test"));
    // Key names are compared without regard to case, refusals' too.
    store.Refuse(HKCU, "software\\TEST", kRefuseSet);
    CHECK(mdlreg::WriteDword(store, HKCU, "Software\\Test\\Below", "v", 5).status == 5);
}

TEST_CASE("a text that changes between the two queries") {
    RegistryStore store;
    store.Put(HKCU, kKey, "v", regtype::kSz, Bytes("abc"));
    bool changed = false;
    auto change_once = [&](std::vector<std::uint8_t> bytes, std::uint32_t type) {
        store.AfterEachQuery([&, bytes, type] {
            if (changed) return;
            changed = true;
            store.Put(HKCU, kKey, "v", type, bytes);
        });
    };

    SUBCASE("grown: the second query finds the buffer too small, so the empty text") {
        change_once(Bytes("abcdefgh"), regtype::kSz);
        CHECK(mdlreg::ReadString(store, HKCU, kKey, "v") == "");
    }
    SUBCASE("shrunk: the registry terminates the shorter text inside the buffer") {
        change_once(Bytes("ab"), regtype::kSz);
        CHECK(mdlreg::ReadString(store, HKCU, kKey, "v") == "ab");
    }
    SUBCASE("turned into binary data: the bytes read as text, up to the first NUL") {
        change_once({'7', 0}, regtype::kBinary);
        CHECK(mdlreg::ReadString(store, HKCU, kKey, "v") == "7");
    }
    SUBCASE("deleted in between: the empty text") {
        store.AfterEachQuery([&] {
            if (changed) return;
            changed = true;
            store.DeleteKey(HKCU, kKey);
        });
        CHECK(mdlreg::ReadString(store, HKCU, kKey, "v") == "");
    }
    CHECK(changed);
    CHECK(store.OpenHandles() == 0);
}

TEST_CASE("the store keeps roots apart and dumps what it holds") {
    RegistryStore store;
    store.Put(HKCU, "A\\B", "v", regtype::kDword, {1, 0, 0, 0});
    CHECK(store.HasKey(HKCU, "a\\b"));
    CHECK_FALSE(store.HasKey(HKLM, "A\\B"));
    CHECK(store.Dump() == "HKCU\nHKCU\\A\nHKCU\\A\\B\nHKCU\\A\\B : v = 4 [ 1 0 0 0 ]\nHKLM\n");

    // What it answers a root it does not have, a path with an empty part
    // and no place for the handle: Windows' codes for them.
    const RegRoot nowhere = RegRoot(0x80000003u);
    RegHandle key = 0;
    CHECK(store.OpenKey(nowhere, "A", &key) == 6);
    CHECK(store.CreateKey(nowhere, "A", &key) == 6);
    CHECK(store.DeleteKey(nowhere, "A") == 6);
    CHECK(store.OpenKey(HKCU, "A\\\\B", &key) == 2);
    CHECK(store.DeleteKey(HKCU, "A\\\\B") == 2);
    CHECK(store.CreateKey(HKCU, "A\\\\B", &key) == 87);
    CHECK(key == 0);
    CHECK(store.OpenKey(HKCU, "A", nullptr) == 87);
    CHECK(store.CreateKey(HKCU, "A", nullptr) == 87);
    CHECK(store.DeleteKey(HKCU, "") == 5);
}

TEST_CASE("an exact read follows a value that grows between its queries, up to a point") {
    RegistryStore store;
    store.Put(HKCU, kKey, "v", regtype::kBinary, {});
    int growths_left = 3;
    std::size_t size = 0;
    store.AfterEachQuery([&] {
        if (growths_left-- > 0)
            store.Put(HKCU, kKey, "v", regtype::kBinary,
                      std::vector<std::uint8_t>(size += 1000, 7));
    });
    const raw::Value value = raw::ReadValue(store, HKCU, kKey, "v");
    CHECK(value.presence == raw::Presence::Present);
    CHECK(value.bytes == std::vector<std::uint8_t>(3000, 7));

    // A value that never holds still is not reported as read, nor as missing.
    growths_left = 1000;
    const raw::Value restless = raw::ReadValue(store, HKCU, kKey, "v");
    CHECK(restless.presence == raw::Presence::Unreadable);
    CHECK(restless.status == status::kMoreData);

    // A key another program deletes between the two queries no longer has
    // the value: it is gone, not unreadable.
    store.AfterEachQuery([&] { store.DeleteKey(HKCU, kKey); });
    CHECK(raw::ReadValue(store, HKCU, kKey, "v").presence == raw::Presence::Absent);
    CHECK(store.OpenHandles() == 0);
}

TEST_CASE("an owner releases what it holds once, and nothing for nothing") {
    std::vector<int> released;
    const auto release = [&](int handle) { released.push_back(handle); };
    {
        Owner<int, std::function<void(int)>> owner(1, release);
        owner.Reset(2);
        owner.Reset(0);
        owner.Reset(3);
        Owner<int, std::function<void(int)>> moved(std::move(owner));
        CHECK((!owner && moved.get() == 3));
    }
    CHECK(released == std::vector<int>{1, 2, 3});
}
