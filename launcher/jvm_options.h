// The process environment and the JVM options at the head of the launcher argument line:
// variable expansion, Path, value 19, heap options and the options file.
#ifndef QV_LAUNCHER_JVM_OPTIONS_H
#define QV_LAUNCHER_JVM_OPTIONS_H

#include "state.h"

#include <cstdint>
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

bool addRuntimeToPath(Context& ctx);
bool appendToPathVar(Context& ctx, std::string_view directory);
// False only when an expanded value does not fit.
bool applyEnvironmentSettings(Context& ctx, const ProgramLocation& program);
// False only when the options do not fit the line.
bool addHeapOptions(Context& ctx, TextBuffer& line);
bool addHeapOption(Context& ctx, TextBuffer& line, int mbId, int percentId,
                   std::uint64_t availableBytes, const char* option);
// Value 12 and the options file into `options`; false when they do not fit.
bool readOptionsFile(Context& ctx, TextBuffer& options, const ProgramLocation& program);

}  // namespace qv

#endif  // QV_LAUNCHER_JVM_OPTIONS_H
