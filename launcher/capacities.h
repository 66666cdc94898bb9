// Capacities of the launcher's fixed texts, in bytes including the terminator unless the name
// says characters. Every text that the launcher composes is held in a FixedText of one of these
// sizes, and every append is checked against it.
#ifndef QV_LAUNCHER_CAPACITIES_H
#define QV_LAUNCHER_CAPACITIES_H

#include <cstddef>

namespace qv {

inline constexpr std::size_t kPathSize = 260;           // paths and key paths (MAX_PATH)
inline constexpr std::size_t kShortTextSize = 128;      // titles, version texts, mutex name
inline constexpr std::size_t kLineSize = 32768;         // launcher argument line, option texts
inline constexpr std::size_t kErrorMessageSize = 1024;  // the error message of the report
inline constexpr std::size_t kErrorUrlSize = 256;       // the error URL of the report
inline constexpr std::size_t kNumberTextSize = 20;      // boolean and integer configuration texts
inline constexpr std::size_t kEnvBufferSize = 32767;    // GetEnvironmentVariableA buffers

// Longest variable name inside "%" ... "%", in characters.
inline constexpr std::size_t kVariableNameMaxChars = 127;
// Longest registry data a "%HKEY...%" reference places, in bytes.
inline constexpr std::size_t kRegistryTextLimit = 1024;
// Longest subkey name of a runtime key, in characters (a 260-character buffer with terminator).
inline constexpr std::size_t kSubkeyNameMaxChars = kPathSize - 1;
// A Path value plus ";" and the runtime's bin directory must stay within this many characters.
inline constexpr std::size_t kPathVariableMaxChars = 32766;
// The options text never grows past this many bytes through the options file.
inline constexpr std::size_t kOptionsFileReadLimit = 31744;

// The characters a buffer of `bufferSize` bytes holds, for messages that name the limit.
constexpr unsigned charsIn(std::size_t bufferSize) {
    return static_cast<unsigned>(bufferSize - 1);
}

// Heap cap of a 32-bit runtime, in MB.
inline constexpr int kHeapCap32BitMb = 1024;

}  // namespace qv

#endif  // QV_LAUNCHER_CAPACITIES_H
