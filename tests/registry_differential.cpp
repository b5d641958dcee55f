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
// Larger than any value the sequence stores (a 301-byte text set through
// SetValue is 604 bytes).
constexpr std::uint32_t kReadBackSize = 1024;
// Before every buffer and every datum: Windows looks at what precedes a
// 1-byte text, and the store takes it as not 0.
constexpr std::uint8_t kBefore = 0x11;
// After every buffer: a query must leave these alone.
constexpr std::size_t kGuards = 3;
// What a text is made of: set through SetValue, NULs, letters and the code
// page's upper half; through SetValueW, UTF-16 units of NUL, ASCII, that
// upper half and the code page's own characters, units it takes by best
// fit or not at all, CJK, and surrogates, paired or alone.
constexpr std::array<std::array<char16_t, 2>, 3> kByteRanges = {{{0, 0}, {'a', 'z'}, {0x80, 0xFF}}};
// clang-format off
constexpr std::array<std::array<char16_t, 2>, 9> kUnitRanges = {{
    {0, 0}, {0x20, 0x7E}, {0x80, 0xFF}, {0x100, 0x17F}, {0x2000, 0x20AC}, {0x2500, 0x25A0},
    {0x4E00, 0x4E10}, {0xD800, 0xDFFF}, {0xFF00, 0xFF65}}};
// clang-format on

std::string Base() { return "Software\\BrevlinDiff-" + std::to_string(GetCurrentProcessId()); }

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    constexpr std::size_t kShown = 48;
    std::ostringstream out;
    for (std::size_t i = 0; i < bytes.size() && i < kShown; ++i)
        out << ' ' << std::hex << int{bytes[i]};
    if (bytes.size() > kShown) out << " ... (" << std::dec << bytes.size() << " bytes)";
    return out.str();
}

// A buffer as a call gets it: a byte before, `size` bytes, then guards.
std::vector<std::uint8_t> Buffer(std::uint32_t size) {
    std::vector<std::uint8_t> buffer(1 + size + kGuards, 0xCC);
    buffer[0] = kBefore;
    return buffer;
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
        switch (Roll(11)) {
            case 0: return OpenOrCreate(false);
            case 1: return OpenOrCreate(true);
            case 2: return Query(false);
            case 3: return Query(true);
            case 4: return Set(false);
            case 5: return Set(true);
            case 6: return Delete();
            case 7: return DeleteValue();
            case 8: return CountSubkeys();
            case 9: return Close();
            default: return Query(Roll(2) == 0);
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

    std::string Query(bool wide) {
        const auto& slot = slots_[Roll(kSlots)];
        const char* name = Pick(kNames);
        const bool with_buffer = Roll(3) != 0;
        // Wine's wide query writes a NUL unit past a 1-byte buffer that
        // receives a 1-byte text; the store never writes past a buffer.
        const std::uint32_t buffer_size = std::max<std::uint32_t>(Pick(kBufferSizes), wide ? 2 : 0);
        Outcome outcomes[2];
        RegistryPlatform* regs[2] = {&store_, &real_};
        for (int i = 0; i < 2; ++i) {
            Outcome& o = outcomes[i];
            o.type = 0xDEADBEEF;
            o.size = buffer_size;
            o.buffer = Buffer(buffer_size);
            std::uint8_t* data = with_buffer ? o.buffer.data() + 1 : nullptr;
            o.status = wide ? regs[i]->QueryValueW(slot[i], name, &o.type, data, &o.size)
                            : regs[i]->QueryValue(slot[i], name, &o.type, data, &o.size);
        }
        return Differ(std::string(wide ? "wide " : "") + "query '" + name +
                          (with_buffer ? "' into " : "' sizing ") + std::to_string(buffer_size),
                      outcomes[0], outcomes[1]);
    }

    std::string Set(bool wide) {
        const auto& slot = slots_[Roll(kSlots)];
        const char* name = Pick(kNames);
        const std::uint32_t type = Pick(kTypes);
        std::uint32_t size = Roll(10) == 0 ? 300 + Roll(2) : static_cast<std::uint32_t>(Roll(9));
        if (type == regtype::kDword && Roll(4) != 0) size = 4;
        // Two bytes before the counted ones, and one unit after them.
        const std::size_t width = wide ? 2 : 1;
        std::vector<std::uint8_t> data(2 + size + width, kBefore);
        for (std::size_t i = 2; i < data.size(); i += width) {
            const auto& range = wide ? Pick(kUnitRanges) : Pick(kByteRanges);
            const int unit = regtype::IsString(type) ? range[0] + Roll(range[1] - range[0] + 1)
                                                     : Roll(1 << (8 * width));
            for (std::size_t b = 0; b < width && i + b < data.size(); ++b)
                data[i + b] = std::uint8_t(unit >> (8 * b));
        }
        // Whether a NUL follows the counted bytes decides what a text stores.
        for (std::size_t i = 2 + size; i < data.size(); ++i) data[i] = Roll(2) == 0 ? 0 : 'X';
        Outcome outcomes[2];
        RegistryPlatform* regs[2] = {&store_, &real_};
        for (int i = 0; i < 2; ++i)
            outcomes[i].status = wide ? regs[i]->SetValueW(slot[i], name, type, &data[2], size)
                                      : regs[i]->SetValue(slot[i], name, type, &data[2], size);
        return Differ(std::string(wide ? "wide " : "") + "set '" + name + "' type " +
                          std::to_string(type) + " to" +
                          Hex({data.begin() + 2, data.end() - width}) + " then" +
                          Hex({data.end() - width, data.end()}),
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

    std::string DeleteValue() {
        const auto& slot = slots_[Roll(kSlots)];
        const char* name = Pick(kNames);
        Outcome outcomes[2];
        outcomes[0].status = store_.DeleteValue(slot[0], name);
        outcomes[1].status = real_.DeleteValue(slot[1], name);
        return Differ(std::string("delete value '") + name + "'", outcomes[0], outcomes[1]);
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

    // Every key, name and value as each registry now holds it: the stored
    // bytes, as the wide query gives them.
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
                        o.size = kReadBackSize;
                        o.buffer = Buffer(o.size);
                        o.status = regs[i]->QueryValueW(keys[i], name, &o.type, o.buffer.data() + 1,
                                                        &o.size);
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
    // The store converts texts as this code page does (under Wine, LC_ALL
    // chooses it).
    REQUIRE(GetACP() == 1252);
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
