// Variable references in configured texts: "%" NAME "%" expanded to the program's own names, the
// runtime home, registry data ("%HKEY...%") or an environment variable.
#ifndef QV_LAUNCHER_VARIABLES_H
#define QV_LAUNCHER_VARIABLES_H

#include "diagnostics.h"
#include "format.h"
#include "state.h"

#include <string>
#include <string_view>

namespace qv {

// How an expansion ended. A "%" without a closing "%" is plain text, as Windows treats it.
struct [[nodiscard]] Expansion {
    enum Kind {
        Complete,
        Overflow,               // the output could not hold it: unchanged from there on
        RegistryValueTooLarge,  // a registry reference holds more than it may place
    };
    Kind kind = Complete;
    std::string reference;  // RegistryValueTooLarge: the reference's name

    bool operator==(Kind other) const { return kind == other; }
    bool operator!=(Kind other) const { return kind != other; }
};

// Appends `input` to `out` with every "%" NAME "%" reference expanded. Stops at the first
// reference that does not fit or whose registry value is too large.
Expansion substituteVariables(Context& ctx, TextBuffer& out, std::string_view input,
                              const ProgramLocation& program);

// The step an expansion ends with: goes on when it was complete, otherwise stops naming what did
// not fit (`overflowMessage()` gives the text for an output that is too small).
template <typename OverflowMessage>
Step expansionStep(Context& ctx, const Expansion& expansion, OverflowMessage&& overflowMessage) {
    switch (expansion.kind) {
        case Expansion::Complete:
            return Step::goOn();
        case Expansion::Overflow:
            return stopTooLong(ctx, overflowMessage());
        case Expansion::RegistryValueTooLarge:
            break;
    }
    return stopTooLong(
        ctx, formatText("The registry value %%%s%% holds more than %u bytes.",
                        expansion.reference.c_str(), static_cast<unsigned>(kRegistryTextLimit)));
}

// Appends the data of the registry value that a "HKEY..." reference names (at most 1024 bytes,
// taken up to their first NUL). `out` is unchanged unless the result is Read.
enum class RegistryRead { Read, NotRead, TooLarge, Overflow };
RegistryRead readRegistryText(Context& ctx, std::string_view name, TextBuffer& out);

}  // namespace qv

#endif  // QV_LAUNCHER_VARIABLES_H
