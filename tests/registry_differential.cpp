// The store against the real registry: one random sequence of platform
// calls applied to both side by side, every result and every read-back
// compared. The first difference fails the test with the random stream and
// the step, so it can be replayed (BREVLIN_DIFF_STREAM=<n>). scripts/soak
// runs it longer: BREVLIN_DIFF_STEPS steps in each of BREVLIN_DIFF_STREAMS
// streams, counting up from the first.
#include <doctest/doctest.h>

#include <windows.h>

#include <array>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "registry/advapi32.h"
#include "registry/store.h"

using namespace brevlin;

namespace {

constexpr unsigned kSteps = 6000;
constexpr std::array<RegRoot, 2> kRoots = {RegRoot::CurrentUser, RegRoot::LocalMachine};
// Mixed case on purpose: both registries must fold it alike.
constexpr std::array<const char*, 6> kPaths = {"a", "a\\b", "A\\B\\c", "d", "a\\B", "d\\e\\"};
constexpr std::array<const char*, 5> kNames = {"v", "V", "w", "", "Level1Remove"};
constexpr std::array<std::uint32_t, 7> kTypes = {
    regtype::kSz,    regtype::kExpandSz, regtype::kMultiSz, regtype::kBinary,
    regtype::kDword, regtype::kQword,    regtype::kNone};
constexpr std::array<std::uint32_t, 8> kBufferSizes = {0, 1, 3, 4, 5, 8, 16, 400};
constexpr std::size_t kSlots = 4;

std::string Base() { return "Software\\BrevlinDiff-" + std::to_string(GetCurrentProcessId()); }

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    constexpr std::size_t kShown = 48;
    std::ostringstream out;
    for (std::size_t i = 0; i < bytes.size() && i < kShown; ++i)
        out << ' ' << std::hex << int{bytes[i]};
    if (bytes.size() > kShown) out << " ... (" << std::dec << bytes.size() << " bytes)";
    return out.str();
}

// What one call left behind: its status and every output it could write.
struct Outcome {
    RegStatus status = 0;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    std::vector<std::uint8_t> buffer;
    bool handle_set = false;
    bool operator==(const Outcome&) const = default;
    std::string Describe() const {
        std::ostringstream out;
        out << "status " << status << ", type " << type << ", size " << size << ", handle "
            << (handle_set ? "set" : "0") << ", buffer" << Hex(buffer);
        return out.str();
    }
};

class Differential {
public:
    explicit Differential(unsigned stream) : random_(stream), stream_(stream), base_(Base()) {
        for (RegRoot root : kRoots) {
            Clear(root);
            for (RegistryPlatform* reg : std::array<RegistryPlatform*, 2>{&store_, &real_}) {
                RegHandle key = 0;
                reg->CreateKey(root, base_.c_str(), &key);
                reg->CloseKey(key);
            }
        }
    }
    ~Differential() {
        for (auto& slot : slots_) {
            store_.CloseKey(slot[0]);
            real_.CloseKey(slot[1]);
        }
        for (RegRoot root : kRoots) Clear(root);
    }

    // Runs the sequence; returns the first difference, or the empty text.
    std::string Run(unsigned steps) {
        for (step_ = 1; step_ <= steps; ++step_) {
            if (std::string difference = Step(); !difference.empty()) return difference;
            if (std::string difference = ReadBack(); !difference.empty()) return difference;
        }
        return {};
    }

private:
    static void Clear(RegRoot root) {
        RegDeleteTreeA(PredefinedKey(root), Base().c_str());
        RegDeleteKeyA(PredefinedKey(root), Base().c_str());
    }

    template <typename T, std::size_t N>
    const T& Pick(const std::array<T, N>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, N - 1)(random_)];
    }
    int Roll(int sides) { return std::uniform_int_distribution<int>(0, sides - 1)(random_); }

    std::string Full(const char* relative) const { return base_ + "\\" + relative; }

    std::string Differ(const std::string& what, const Outcome& store, const Outcome& real) const {
        if (store == real) return {};
        std::ostringstream out;
        out << "random stream " << stream_ << ", step " << step_ << ": " << what
            << "\n  store:    " << store.Describe() << "\n  registry: " << real.Describe();
        return out.str();
    }

    std::string Step() {
        switch (Roll(7)) {
            case 0: return OpenOrCreate(false);
            case 1: return OpenOrCreate(true);
            case 2: return Query();
            case 3: return Set();
            case 4: return Delete();
            case 5: return CountSubkeys();
            default: return Close();
        }
    }

    std::string OpenOrCreate(bool create) {
        const RegRoot root = Pick(kRoots);
        const std::string path = Full(Pick(kPaths));
        auto& slot = slots_[Roll(kSlots)];
        store_.CloseKey(slot[0]);
        real_.CloseKey(slot[1]);
        Outcome outcomes[2];
        RegistryPlatform* regs[2] = {&store_, &real_};
        for (int i = 0; i < 2; ++i) {
            slot[i] = 0;
            outcomes[i].status = create ? regs[i]->CreateKey(root, path.c_str(), &slot[i])
                                        : regs[i]->OpenKey(root, path.c_str(), &slot[i]);
            outcomes[i].handle_set = slot[i] != 0;
        }
        return Differ(std::string(create ? "create " : "open ") + path, outcomes[0], outcomes[1]);
    }

    std::string Query() {
        const auto& slot = slots_[Roll(kSlots)];
        const char* name = Pick(kNames);
        const bool with_buffer = Roll(3) != 0;
        const std::uint32_t buffer_size = Pick(kBufferSizes);
        Outcome outcomes[2];
        RegistryPlatform* regs[2] = {&store_, &real_};
        for (int i = 0; i < 2; ++i) {
            Outcome& o = outcomes[i];
            o.type = 0xDEADBEEF;
            o.size = buffer_size;
            o.buffer.assign(buffer_size, 0xCC);
            o.status = regs[i]->QueryValue(slot[i], name, &o.type,
                                           with_buffer ? o.buffer.data() : nullptr, &o.size);
        }
        return Differ(std::string("query '") + name + (with_buffer ? "' into " : "' sizing ") +
                          std::to_string(buffer_size),
                      outcomes[0], outcomes[1]);
    }

    std::string Set() {
        const auto& slot = slots_[Roll(kSlots)];
        const char* name = Pick(kNames);
        const std::uint32_t type = Pick(kTypes);
        std::uint32_t size = Roll(10) == 0 ? 300 : static_cast<std::uint32_t>(Roll(9));
        if (type == regtype::kDword && Roll(4) != 0) size = 4;
        std::vector<std::uint8_t> data(size + 1);
        for (std::uint8_t& byte : data)
            byte = regtype::IsString(type) ? (Roll(5) == 0 ? 0 : std::uint8_t('a' + Roll(26)))
                                           : std::uint8_t(Roll(256));
        // Whether a NUL follows the counted bytes decides what a text stores.
        data[size] = Roll(2) == 0 ? 0 : 'X';
        Outcome outcomes[2];
        RegistryPlatform* regs[2] = {&store_, &real_};
        for (int i = 0; i < 2; ++i)
            outcomes[i].status = regs[i]->SetValue(slot[i], name, type, data.data(), size);
        return Differ("set '" + std::string(name) + "' type " + std::to_string(type) + " to" +
                          Hex(std::vector<std::uint8_t>(data.begin(), data.begin() + size)) +
                          " then" + Hex({data[size]}),
                      outcomes[0], outcomes[1]);
    }

    std::string Delete() {
        const RegRoot root = Pick(kRoots);
        const std::string path = Full(Pick(kPaths));
        Outcome outcomes[2];
        outcomes[0].status = store_.DeleteKey(root, path.c_str());
        outcomes[1].status = real_.DeleteKey(root, path.c_str());
        return Differ("delete " + path, outcomes[0], outcomes[1]);
    }

    std::string CountSubkeys() {
        const auto& slot = slots_[Roll(kSlots)];
        Outcome outcomes[2];
        RegistryPlatform* regs[2] = {&store_, &real_};
        for (int i = 0; i < 2; ++i) {
            outcomes[i].size = 0xDEADBEEF;
            outcomes[i].status = regs[i]->QueryInfoKey(slot[i], &outcomes[i].size);
        }
        return Differ("count subkeys", outcomes[0], outcomes[1]);
    }

    std::string Close() {
        auto& slot = slots_[Roll(kSlots)];
        Outcome outcomes[2];
        outcomes[0].status = store_.CloseKey(slot[0]);
        outcomes[1].status = real_.CloseKey(slot[1]);
        slot = {0, 0};
        return Differ("close", outcomes[0], outcomes[1]);
    }

    // Every key, name and value as each registry now holds it.
    std::string ReadBack() {
        for (RegRoot root : kRoots) {
            for (const char* relative : kPaths) {
                const std::string path = Full(relative);
                RegistryPlatform* regs[2] = {&store_, &real_};
                RegHandle keys[2] = {0, 0};
                Outcome opened[2];
                for (int i = 0; i < 2; ++i) {
                    opened[i].status = regs[i]->OpenKey(root, path.c_str(), &keys[i]);
                    opened[i].handle_set = keys[i] != 0;
                }
                std::string difference = Differ("read back key " + path, opened[0], opened[1]);
                for (const char* name : kNames) {
                    if (!difference.empty() || !keys[0]) break;
                    Outcome values[2];
                    for (int i = 0; i < 2; ++i) {
                        Outcome& o = values[i];
                        o.buffer.assign(512, 0xCC);
                        o.size = 512;
                        o.status =
                            regs[i]->QueryValue(keys[i], name, &o.type, o.buffer.data(), &o.size);
                    }
                    difference =
                        Differ("read back " + path + " : '" + name + "'", values[0], values[1]);
                }
                store_.CloseKey(keys[0]);
                real_.CloseKey(keys[1]);
                if (!difference.empty()) return difference;
            }
        }
        return {};
    }

    std::mt19937 random_;
    unsigned stream_;
    std::string base_;
    unsigned step_ = 0;
    RegistryStore store_;
    Advapi32Registry real_;
    std::array<std::array<RegHandle, 2>, kSlots> slots_{};
};

unsigned FromEnvironment(const char* name, unsigned fallback) {
    const char* chosen = std::getenv(name);
    return chosen && *chosen ? static_cast<unsigned>(std::strtoul(chosen, nullptr, 10)) : fallback;
}

}  // namespace

TEST_CASE("the store answers every platform call as the real registry does") {
    const unsigned first = FromEnvironment("BREVLIN_DIFF_STREAM", 20021208u);
    const unsigned streams = FromEnvironment("BREVLIN_DIFF_STREAMS", 1);
    const unsigned steps = FromEnvironment("BREVLIN_DIFF_STEPS", kSteps);
    REQUIRE(streams > 0);
    REQUIRE(steps > 0);
    for (unsigned stream = first; stream - first < streams; ++stream) {
        Differential differential(stream);
        const std::string difference = differential.Run(steps);
        INFO("random stream ", stream, ", ", steps, " steps");
        CHECK_MESSAGE(difference.empty(), difference);
        if (streams > 1) MESSAGE("random stream ", stream, " done");
    }
}

TEST_CASE("the roots are the predefined keys windows.h names") {
    // A predefined key is a pointer-sized handle, so no static_assert reaches it.
    CHECK(PredefinedKey(RegRoot::CurrentUser) == HKEY_CURRENT_USER);
    CHECK(PredefinedKey(RegRoot::LocalMachine) == HKEY_LOCAL_MACHINE);
}
