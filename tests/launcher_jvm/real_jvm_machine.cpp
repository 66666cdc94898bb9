#include "real_jvm_machine.h"

#include "entry.h"
#include "quorvex/launch_config.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace qv::testing {

namespace {

constexpr std::uint32_t kErrorModNotFound = 126;   // ERROR_MOD_NOT_FOUND
constexpr std::uint32_t kErrorProcNotFound = 127;  // ERROR_PROC_NOT_FOUND
constexpr const char* kClientJvm = "\\bin\\client\\jvm.dll";

using GetCreatedJavaVmsFn = jint(JNICALL*)(JavaVM** vms, jsize size, jsize* count);

// The real entry and what went through the recorder: one process, one record.
CreateJavaVmFn gRealCreateJavaVm = nullptr;
std::vector<JvmCreation> gCreations;

jint JNICALL recordingCreateJavaVm(JavaVM** vm, void** env, void* args) {
    JvmCreation creation;
    const auto* initArgs = static_cast<const JavaVMInitArgs*>(args);
    for (jint i = 0; i < initArgs->nOptions; ++i) {
        creation.options.emplace_back(initArgs->options[i].optionString);
    }
    creation.result = gRealCreateJavaVm(vm, env, args);
    gCreations.push_back(std::move(creation));
    return gCreations.back().result;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The report's escapes (of backslash, tab, line feed and carriage return) undone.
std::string unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

}  // namespace

RealJvmMachine::RealJvmMachine(std::string javaHome)
    : jvmLibrary_(foldCase(fullPath(javaHome + kClientJvm))) {
    // The runtime's files as the search and the loader look for them.
    addFile(javaHome + "\\bin\\java.exe");
    addFile(javaHome + kClientJvm, "MZ");
}

void RealJvmMachine::installShipped() {
    moduleName = std::string(kInstalledProgram);
    commandLineText = std::string("\"") + kInstalledProgram + "\"";
    cwd = "C:\\Zarvel\\svc\\bin";
    addDirectory("C:\\Zarvel\\svc\\bin");
    for (const quorvex::launch_config::Value& value : quorvex::launch_config::kValues) {
        if (value.shipped) {
            setConfig(value.id, std::string_view(value.shippedText,
                                                 static_cast<std::size_t>(value.shippedLength)));
        }
    }
}

const std::vector<JvmCreation>& RealJvmMachine::creations() {
    return gCreations;
}

int RealJvmMachine::createdJvms() {
    if (handle_ == nullptr) {
        return 0;
    }
    auto getCreated =
        reinterpret_cast<GetCreatedJavaVmsFn>(dlsym(handle_, "JNI_GetCreatedJavaVMs"));
    JavaVM* vm = nullptr;
    jsize count = -1;
    if (getCreated == nullptr || getCreated(&vm, 1, &count) != JNI_OK) {
        return -1;
    }
    return static_cast<int>(count);
}

ModuleHandle RealJvmMachine::loadLibrary(const char* path, const char* importFolder) {
    if (foldCase(fullPath(path)) != jvmLibrary_) {
        return FakeMachine::loadLibrary(path, importFolder);
    }
    librariesLoaded.emplace_back(path);
    // Like LoadLibraryA, a second load of the same library gives the same module.
    void* handle = dlopen(QV_TEST_LIBJVM, RTLD_NOW | RTLD_GLOBAL);
    if (handle == nullptr) {
        std::fprintf(stderr, "dlopen %s: %s\n", QV_TEST_LIBJVM, dlerror());
        lastErrorCode = kErrorModNotFound;
        return nullptr;
    }
    handle_ = handle;
    return handle_;
}

CreateJavaVmFn RealJvmMachine::findCreateJavaVm(ModuleHandle library) {
    if (library == nullptr || library != handle_) {
        return FakeMachine::findCreateJavaVm(library);
    }
    auto entry = reinterpret_cast<CreateJavaVmFn>(dlsym(handle_, "JNI_CreateJavaVM"));
    if (entry == nullptr) {
        lastErrorCode = kErrorProcNotFound;
        return nullptr;
    }
    gRealCreateJavaVm = entry;
    return &recordingCreateJavaVm;
}

StderrCapture::StderrCapture() : path_(freshScratchFile("stderr.txt")) {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (saved_ >= 0 && fd >= 0) {
        (void)dup2(fd, STDERR_FILENO);
    }
    if (fd >= 0) {
        close(fd);
    }
}

StderrCapture::~StderrCapture() {
    (void)finish();
}

const std::string& StderrCapture::finish() {
    if (saved_ < 0) {
        return text_;
    }
    std::fflush(stderr);
    (void)dup2(saved_, STDERR_FILENO);
    close(saved_);
    saved_ = -1;
    text_ = fileText(path_);
    std::fputs(text_.c_str(), stderr);
    return text_;
}

LauncherRun runLauncherOnce(RealJvmMachine& machine) {
    LauncherRun run;
    StderrCapture capture;
    run.exitCode = runLauncher(machine);
    run.stderrText = capture.finish();
    return run;
}

ProbeReport readProbeReport(const std::string& path) {
    ProbeReport report;
    std::ifstream in(path);
    report.exists = static_cast<bool>(in);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        const std::string kind = line.substr(0, tab);
        const std::string rest = tab == std::string::npos ? std::string() : line.substr(tab + 1);
        const std::size_t nameEnd = rest.find('\t');
        if (kind == "arg") {
            report.arguments.push_back(unescape(rest));
        } else if (kind == "option") {
            report.inputArguments.push_back(unescape(rest));
        } else if (kind == "property") {
            report.properties[rest.substr(0, nameEnd)] =
                nameEnd == std::string::npos ? std::string() : unescape(rest.substr(nameEnd + 1));
        } else {
            report.events.push_back(line);
        }
    }
    return report;
}

std::string freshScratchFile(const std::string& name) {
    std::string path = std::string(QV_TEST_SCRATCH_DIR) + "/" + name;
    std::remove(path.c_str());
    return path;
}

void installProbe(RealJvmMachine& machine, const std::string& reportPath, const char* mainClass,
                  const std::string& moreOptions) {
    machine.installShipped();
    machine.removeConfig(14);
    machine.setConfig(16, QV_TEST_CLASSES);
    if (mainClass != nullptr) {
        machine.setConfig(15, mainClass);
    } else {
        machine.removeConfig(15);
    }
    machine.addFile(kInstalledOptionsFile, testJvmOptions(reportPath) + moreOptions);
}

std::string testJvmOptions(const std::string& reportPath) {
    return "# What the JVM needs beside AddressSanitizer's shadow memory\n"
           "-XX:-UseCompressedOops\n"
           "-Xshare:off\n"
           "-Xcheck:jni\n"
           "-Dquorvex.test.report=" +
           reportPath + "\n";
}

}  // namespace qv::testing
