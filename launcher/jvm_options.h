// The launcher argument line parsed into the JVM's options: one option a word (words.h: quotes
// group), the class path flags ("-classpath", "-jar") and their values joined into one
// "-Djava.class.path=" option.
#ifndef QV_LAUNCHER_JVM_OPTIONS_H
#define QV_LAUNCHER_JVM_OPTIONS_H

#include "jvm_start.h"

#include <string_view>

namespace qv {

inline constexpr const char* kClassPathOptionPrefix = "-Djava.class.path=";

// Fills the options of the JVM start from the first 32767 characters of the line, and takes the
// Java home, the main class and main's arguments for the pass.
void parseJvmOptions(JvmStart& jvm, std::string_view javaHome, std::string_view mainClass,
                     std::string_view line, std::string_view applicationArgs);

// The length of the "-Djava.class.path=" option that parseJvmOptions makes of the line (0 when
// the line has no class path flag with a value).
std::size_t classPathOptionLength(std::string_view line);

}  // namespace qv

#endif  // QV_LAUNCHER_JVM_OPTIONS_H
