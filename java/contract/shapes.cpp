// Prints the Java shapes that palmbridge expects, from the bridge's own table, as the resource
// that the contract check carries: one line each,
//   native NAME DESCRIPTOR
//   constructor CLASS DESCRIPTOR
//   field CLASS NAME DESCRIPTOR
// with JNI class names. A field that several readings look up is printed once.
#include <cstdio>
#include <set>
#include <string>
#include <utility>

#include "java_classes.h"

int main() {
    namespace java = palmbridge::java;
    for (const java::Native& native : java::kNatives) {
        std::printf("native %s %s\n", native.name, native.descriptor);
    }
    for (const java::Shape* shape : java::kConstructed) {
        std::printf("constructor %s %s\n", shape->name, shape->ctor);
    }
    std::set<std::pair<std::string, std::string>> printed;
    for (const java::FieldReads* reads : java::kReads) {
        for (std::size_t i = 0; i < reads->count; ++i) {
            const java::Field& field = reads->fields[i];
            if (printed.emplace(reads->className, field.name).second) {
                std::printf("field %s %s %s\n", reads->className, field.name, field.descriptor);
            }
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
