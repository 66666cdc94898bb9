// Variable references in configured texts: "%" NAME "%" expanded to the program's own names, the
// runtime home, registry data ("%HKEY...%") or an environment variable.
#ifndef QV_LAUNCHER_VARIABLES_H
#define QV_LAUNCHER_VARIABLES_H

#include "state.h"

#include <string_view>

namespace qv {

enum class Expansion {
    Complete,
    UnclosedReference,  // a "%" without its closing "%": the rest of the input was not appended
    Overflow,           // the output could not hold the expansion: it is unchanged from there on
};

// Appends `input` to `out` with every "%" NAME "%" reference expanded.
Expansion substituteVariables(Context& ctx, TextBuffer& out, std::string_view input,
                              const ProgramLocation& program);
// Appends the data of the registry value that a "HKEY..." reference names (at most 1024 bytes,
// taken up to their first NUL). False when nothing was read; `out` is then unchanged.
enum class RegistryRead { Read, NotRead, Overflow };
RegistryRead readRegistryText(Context& ctx, std::string_view name, TextBuffer& out);

}  // namespace qv

#endif  // QV_LAUNCHER_VARIABLES_H
