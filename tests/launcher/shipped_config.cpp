#include "shipped_config.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace qv::testing {

namespace {

std::string trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(" \t\r");
    std::size_t last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

std::vector<std::string> readLines(const std::string& path) {
    std::ifstream in(path);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

std::map<int, std::string> shippedConfiguration() {
    const std::string directory = QV_CONFIG_DIR;
    std::map<int, std::string> values;
    for (const std::string& line : readLines(directory + "/launch-values.txt")) {
        if (trim(line).empty() || trim(line)[0] == '#') {
            continue;
        }
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (int i = 0; i < 4; ++i) {
            std::size_t bar = line.find('|', start);
            fields.push_back(trim(line.substr(start, bar - start)));
            start = bar + 1;
        }
        const std::string shipped = trim(line.substr(start));
        const int id = std::stoi(fields[0]);
        if (!shipped.empty() && shipped[0] == '"') {
            values[id] = shipped.substr(1, shipped.rfind('"') - 1);
        } else if (!shipped.empty() && shipped[0] == '@') {
            std::string joined;
            for (const std::string& entry : readLines(directory + "/" + shipped.substr(1))) {
                if (!trim(entry).empty()) {
                    joined += (joined.empty() ? "" : ";") + trim(entry);
                }
            }
            values[id] = joined;
        }
    }
    return values;
}

FakeJvm& makeShippedInstall(FakeMachine& machine) {
    for (const auto& [id, text] : shippedConfiguration()) {
        machine.setConfig(id, text);
    }
    machine.moduleName = kShippedProgram;
    machine.addFile(kShippedProgram, "MZ");
    machine.cwd = "C:\\Users\\svc";
    machine.addDirectory(machine.cwd);
    machine.addFile("C:\\Zarvel\\gui\\jre\\bin\\java.exe");
    machine.setVariable("Path", "C:\\Windows\\system32");
    FakeJvm& jvm = machine.addJvm("C:\\Zarvel\\gui\\jre\\bin\\client\\jvm.dll");
    jvm.classes.insert("org/springframework/boot/loader/JarLauncher");
    return jvm;
}

}  // namespace qv::testing
