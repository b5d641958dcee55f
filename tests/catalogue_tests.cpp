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

TEST_CASE("only the desktop icon lives below HKEY_LOCAL_MACHINE, and it is never read") {
    for (const Tweak& tweak : Catalogue()) {
        CAPTURE(tweak.name);
        const bool desk = tweak.id == TweakId::deskicon;
        CHECK((tweak.root == RegRoot::LocalMachine) == desk);
        CHECK(tweak.IsRead() == !desk);
        CHECK(tweak.value_name.empty() == desk);
    }
}
