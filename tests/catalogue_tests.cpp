#include <doctest/doctest.h>

#include <set>
#include <string>

#include "tweaks/catalogue.h"

using namespace brevlin;

TEST_CASE("the extension list is the 43 lower-case extensions, 169 characters") {
    const std::string list(kUnblockedExtensions);
    CHECK(list.size() == 169);
    std::set<std::string> extensions;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        const std::string extension = list.substr(start, end - start);
        CHECK_FALSE(extension.empty());
        for (char c : extension) CHECK((c >= 'a' && c <= 'z'));
        extensions.insert(extension);
        start = end + 1;
    }
    CHECK(extensions.size() == 43);
    CHECK(list.substr(0, 8) == "adp;mdb;");
    CHECK(list.substr(list.size() - 8) == ";wsf;wsh");
}

TEST_CASE("entries are in start-up order and every button belongs to one entry") {
    const auto catalogue = Catalogue();
    REQUIRE(catalogue.size() == 7);
    std::set<std::string_view> buttons, frames;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const Tweak& tweak = catalogue[i];
        CHECK(static_cast<std::size_t>(tweak.id) == i);
        CHECK(&TweakFor(tweak.id) == &tweak);
        frames.insert(tweak.frame);
        for (Side side : {Side::On, Side::Off}) {
            const auto ref = FindButton(tweak.choice(side).button);
            REQUIRE(ref);
            CHECK(ref->tweak == &tweak);
            CHECK(ref->side == side);
            buttons.insert(tweak.choice(side).button);
        }
    }
    CHECK(buttons.size() == 14);
    CHECK(frames.size() == 7);
    CHECK_FALSE(FindButton("Option15"));
    CHECK_FALSE(FindButton("Frame1"));
}

TEST_CASE("only the desktop icon lives below HKEY_LOCAL_MACHINE, and it is never read") {
    for (const Tweak& tweak : Catalogue()) {
        CAPTURE(tweak.frame);
        const bool desk = tweak.id == TweakId::deskicon;
        CHECK((tweak.root == RegRoot::LocalMachine) == desk);
        CHECK(tweak.IsRead() == !desk);
        CHECK(tweak.holder.empty() == desk);
        CHECK(tweak.value_name.empty() == desk);
    }
}
