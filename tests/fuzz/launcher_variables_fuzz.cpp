// The launcher's variable references ("%NAME%", "%HKEY...%") in a configured text, with arbitrary
// names and values: environment variables and registry values of every type and size on the
// in-memory machine come from the fuzz data, as do the text and the current directory.
//
// The text is expanded into a fixed text of the line's capacity and into two small ones. Each
// expansion must hold:
//  - the output is a terminated text within its capacity, and what the buffer held before stays;
//  - a text without a pair of "%" is appended as it stands (up to a NUL), a lone "%" included;
//  - a small buffer gives what the large one gives when that fits it; when it does not, it ends
//    with an overflow and holds a beginning of the large one's output, never a cut reference;
//  - a registry value too large ends the expansion naming its "HKEY..." reference; a complete
//    one names none;
//  - the same text on the same machine gives the same result twice.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "capacities.h"
#include "fake_machine.h"
#include "fixed_text.h"
#include "state.h"
#include "variables.h"

namespace {

using qv::Expansion;
using qv::RegistryRoot;
using qv::testing::FakeMachine;

constexpr const char* kProgramPath = "C:\\app\\QuorvexService.exe";
constexpr std::size_t kProgramDirectoryLength = 6;
constexpr const char* kLogPath = "C:\\app\\morvakin.log";
constexpr const char* kPrefix = "head:";  // what the buffers hold before the expansion
constexpr int kMaxEntries = 16;

constexpr RegistryRoot kRoots[] = {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser,
                                   RegistryRoot::ClassesRoot, RegistryRoot::Users,
                                   RegistryRoot::CurrentConfig};

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "launcher_variables_fuzz: %s\n", what);
        std::abort();
    }
}

struct Expanded {
    Expansion::Kind result;
    std::string reference;
    std::string text;
};

// Expands the input into a buffer of N bytes; with the debug log (all of it) when `logged`.
template <std::size_t N>
Expanded expand(FakeMachine& machine, std::string_view input, bool logged = false) {
    auto state = qv::makeWithTexts<qv::LauncherState>();
    if (logged) {
        state->log.open(machine.openLogForAppend(kLogPath), true);
    }
    qv::Context ctx{machine, *state};
    qv::ProgramLocation program;
    (void)program.path.assign(kProgramPath);
    program.directoryLength = kProgramDirectoryLength;
    auto out = std::make_unique<qv::FixedText<N>>();
    check(out->assign(kPrefix), "the buffer cannot hold its start");
    const Expansion result = qv::substituteVariables(ctx, *out, input, program);
    check(result.kind != Expansion::Complete || result.reference.empty(),
          "a complete expansion that names a reference");
    check(result.kind != Expansion::RegistryValueTooLarge || result.reference.rfind("HKEY", 0) == 0,
          "a registry value too large for a reference that names none");
    check(out->size() <= out->capacity(), "output beyond its capacity");
    check(out->c_str()[out->size()] == '\0', "output not terminated");
    check(std::strlen(out->c_str()) == out->size(), "output holds a NUL");
    check(out->view().substr(0, std::strlen(kPrefix)) == kPrefix, "output lost its start");
    return {result.kind, result.reference, std::string(out->view().substr(std::strlen(kPrefix)))};
}

// A small expansion against the large one.
void compare(const Expanded& small, const Expanded& large, std::size_t smallRoom) {
    if (large.text.size() <= smallRoom && large.result != Expansion::Overflow) {
        check(small.result == large.result && small.reference == large.reference &&
                  small.text == large.text,
              "a small buffer gives another result though it fits");
        return;
    }
    if (small.result == Expansion::Overflow) {
        check(large.text.compare(0, small.text.size(), small.text) == 0,
              "an overflow that is not a beginning of the whole expansion");
    } else {
        check(small.result == large.result && small.text == large.text,
              "a small buffer that did not overflow differs");
    }
}

void build(FakeMachine& machine, FuzzedDataProvider& input) {
    const int entries = input.ConsumeIntegralInRange(0, kMaxEntries);
    for (int i = 0; i < entries; ++i) {
        if (input.ConsumeBool()) {
            machine.setVariable(input.ConsumeRandomLengthString(32),
                                input.ConsumeRandomLengthString());
        } else {
            const auto view =
                input.ConsumeBool() ? FakeMachine::View::Bits64 : FakeMachine::View::Bits32;
            const RegistryRoot root =
                kRoots[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kRoots) - 1)];
            const std::string key = input.ConsumeRandomLengthString(32);
            const std::string name = input.ConsumeRandomLengthString(32);
            machine.setRegistryValue(view, root, key, name, input.ConsumeIntegral<std::uint32_t>(),
                                     input.ConsumeRandomLengthString());
        }
    }
    if (input.ConsumeBool()) {
        machine.cwd = input.ConsumeRandomLengthString(300);
    }
    machine.windows64 = input.ConsumeBool();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    FakeMachine machine;
    build(machine, input);
    const std::string text = input.ConsumeRemainingBytesAsString();

    constexpr std::size_t kSmall = 24;
    // The log is written once, by the first expansion: its lines show what was looked up.
    const Expanded large = expand<qv::kLineSize>(machine, text, true);
    const Expanded path = expand<qv::kPathSize>(machine, text);
    const Expanded small = expand<kSmall>(machine, text);
    check(expand<qv::kLineSize>(machine, text).text == large.text, "not deterministic");
    const std::size_t prefix = std::strlen(kPrefix);
    compare(path, large, qv::kPathSize - 1 - prefix);
    compare(small, large, kSmall - 1 - prefix);

    // Without a pair of "%" the text is appended as it stands, a lone "%" included.
    const std::string_view literal = qv::textUpToNul(text.data(), text.size());
    if (std::count(text.begin(), text.end(), '%') < 2 &&
        literal.size() <= qv::kLineSize - 1 - prefix) {
        check(large.result == Expansion::Complete && large.text == literal,
              "a text without references changed");
    }
    return 0;
}
