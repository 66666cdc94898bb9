// The whole launcher on the fake machine: the shipped configuration, the exact debug log at both
// levels, what reaches the JVM, and the reports of a failed start.
#include "entry.h"

#include "fake_machine.h"
#include "launcher_fixture.h"
#include "shipped_config.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string_view>

namespace qv::testing {
namespace {

using View = FakeMachine::View;
constexpr const char* kServiceLog = "C:\\Zarvel\\service\\bin\\morvakin.log";
constexpr const char* kRuntimeHome = "C:\\Zarvel\\service\\bin\\..\\..\\gui\\jre";

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find(separator, start)) != std::string::npos;
         start = end + 1) {
        parts.push_back(text.substr(start, end - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

// An install of the service as shipped: the program in service\bin, the runtime in gui\jre.
class ShippedInstall : public ::testing::Test {
  protected:
    int run(const std::string& arguments) {
        machine.commandLineText = std::string("\"") + kShippedProgram + "\" " + arguments;
        return runLauncher(machine);
    }

    const std::map<int, std::string> config = shippedConfiguration();
    FakeMachine machine;
    FakeJvm& jvm = makeShippedInstall(machine);
};

TEST_F(ShippedInstall, TheShippedValuesAreWhatTheLauncherExpects) {
    EXPECT_EQ(config.at(1), "..\\..\\gui\\jre");
    EXPECT_EQ(config.at(15), "org.springframework.boot.loader.JarLauncher");
    EXPECT_EQ(split(config.at(16), ';').size(), 186u);
    EXPECT_EQ(config.at(16).size(), 6253u);
    EXPECT_EQ(config.count(2), 0u);
    EXPECT_EQ(config.count(31), 0u);
}

TEST_F(ShippedInstall, StartsWithTheExactDebugLog) {
    ASSERT_EQ(run("--mvk-debug"), kExitMainReturned);

    const std::string classPath = config.at(16);
    const std::string line =
        "-Xmx1024M -Dlog4j.configurationFile=./config/log4j2.yaml "
        "-Dext.localDB.spring.config=./config/quorvexservice.cfg -classpath "
        "\".\\lib\\quorvexservice-1.0.0.jar;" +
        classPath + "\" org.springframework.boot.loader.JarLauncher";
    std::string expected =
        "\n\nVersion:\t3.12\n"
        "CmdLine:\tC:\\Zarvel\\service\\bin\\QuorvexService.exe --mvk-debug\n"
        "WOW64:\t\tno\n"
        "Create mutex:\tquorvexService\n"
        "Working dir:\tC:\\Zarvel\\service\\bin\\.\n"
        "Java min ver:\t\n"
        "Java max ver:\t\n"
        "Bundled JRE:\t..\\..\\gui\\jre\n"
        "Check launcher:\tC:\\Zarvel\\service\\bin\\..\\..\\gui\\jre\\bin\\java.exe (OK)\n"
        "Main class:\torg.springframework.boot.loader.JarLauncher\n";
    for (const std::string& entry : split(classPath, ';')) {
        expected += "Add classpath:\t" + entry + "\n";
    }
    expected += "Launcher:\tC:\\Zarvel\\service\\bin\\..\\..\\gui\\jre\\bin\\java.exe\n";
    expected += "Launcher args:\t" + line + "\n";
    expected += "Args length:\t" + std::to_string(line.size()) + "/32768 chars\n";
    expected += "Exit code:\t0\n";
    EXPECT_EQ(machine.fileContent(kServiceLog), expected);

    EXPECT_EQ(machine.cwd, "C:\\Zarvel\\service\\bin");
    EXPECT_EQ(machine.variable("Path"),
              std::string("C:\\Windows\\system32;") + kRuntimeHome + "\\bin");
    EXPECT_EQ(machine.mutexesCreated, std::vector<std::string>{"quorvexService"});
    EXPECT_EQ(machine.librariesLoaded,
              std::vector<std::string>{std::string(kRuntimeHome) + "\\bin\\client\\jvm.dll"});
    ASSERT_EQ(jvm.creations.size(), 1u);
    EXPECT_EQ(
        jvm.creations[0].options,
        (std::vector<std::string>{"-Xmx1024M", "-Dlog4j.configurationFile=./config/log4j2.yaml",
                                  "-Dext.localDB.spring.config=./config/quorvexservice.cfg",
                                  "-Djava.class.path=.\\lib\\quorvexservice-1.0.0.jar;" + classPath,
                                  "org.springframework.boot.loader.JarLauncher"}));
    EXPECT_EQ(jvm.mainArguments, std::vector<std::vector<std::string>>{{}});
    EXPECT_EQ(machine.stdoutText, "");
}

// The options file example of the package with every option line uncommented, in an install below
// "C:\Program Files (x86)", where the README says to install: each option reaches the JVM whole,
// after the carried ones, and no heap is larger than a 32-bit JVM can have.
TEST(ShippedOptionsExample, UncommentedInAPathWithBlanksGivesTheOptionsItMeans) {
    std::ifstream in(std::string(QV_CONFIG_DIR) + "/QuorvexService.mvk.ini.example");
    ASSERT_TRUE(in);
    std::string options;
    for (std::string line; std::getline(in, line);) {
        constexpr std::string_view kCommentedOption = "#   ";
        if (line.rfind(kCommentedOption, 0) == 0 && line.size() > kCommentedOption.size() &&
            line[kCommentedOption.size()] != ' ') {
            options += line.substr(kCommentedOption.size()) + "\r\n";
        }
    }
    const std::string root = "C:\\Program Files (x86)\\Zarvel";
    const std::string program = root + "\\service\\bin\\QuorvexService.exe";
    FakeMachine machine;
    for (const auto& [id, text] : shippedConfiguration()) {
        machine.setConfig(id, text);
    }
    machine.moduleName = program;
    machine.commandLineText = "\"" + program + "\"";
    machine.addFile(program, "MZ");
    machine.addFile(root + "\\service\\bin\\QuorvexService.mvk.ini", options);
    machine.addFile(root + "\\gui\\jre\\bin\\java.exe");
    FakeJvm& jvm = machine.addJvm(root + "\\gui\\jre\\bin\\client\\jvm.dll");
    jvm.classes.insert("org/springframework/boot/loader/JarLauncher");

    ASSERT_EQ(runLauncher(machine), kExitMainReturned);
    ASSERT_EQ(jvm.creations.size(), 1u);
    const std::vector<std::string>& given = jvm.creations[0].options;
    ASSERT_GE(given.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(given.begin() + 3, given.begin() + 7),
              (std::vector<std::string>{"-Xmx768M", "-XX:+HeapDumpOnOutOfMemoryError",
                                        "-XX:HeapDumpPath=" + root + "\\service\\bin\\dumps",
                                        "-Dfile.encoding=UTF-8"}));
    EXPECT_EQ(given[7].rfind("-Djava.class.path=", 0), 0u) << given[7];
}

TEST_F(ShippedInstall, ApplicationArgumentsReachMainWithoutThePrivateOptions) {
    ASSERT_EQ(run("--spring.profiles.active=site --mvk-debug-all --port=9"), kExitMainReturned);
    ASSERT_EQ(jvm.mainArguments.size(), 1u);
    EXPECT_EQ(jvm.mainArguments[0],
              (std::vector<std::string>{"--spring.profiles.active=site", "--port=9"}));
    const std::vector<std::string>& options = jvm.creations[0].options;
    EXPECT_EQ(options.back(), "--port=9");
}

TEST_F(ShippedInstall, QuotedWordsReachTheJvmAndMainWhole) {
    machine.setConfig(12, "\"-Dsite.dir=%EXEDIR%\\my site\" -Dratio=50% -Xss1m");
    machine.setConfig(13, "\"--label=Door 1\"");
    ASSERT_EQ(run("\"--name=x y\" \"\" plain"), kExitMainReturned);
    ASSERT_EQ(jvm.creations.size(), 1u);
    const std::vector<std::string>& options = jvm.creations[0].options;
    ASSERT_EQ(options.size(), 9u);
    const std::vector<std::string> arguments{"--label=Door 1", "--name=x y", "", "plain"};
    EXPECT_EQ(std::vector<std::string>(options.begin(), options.begin() + 3),
              (std::vector<std::string>{"-Dsite.dir=C:\\Zarvel\\service\\bin\\my site",
                                        "-Dratio=50%", "-Xss1m"}));
    EXPECT_EQ(options[4], "org.springframework.boot.loader.JarLauncher");
    EXPECT_EQ(std::vector<std::string>(options.begin() + 5, options.end()), arguments);
    ASSERT_EQ(jvm.mainArguments.size(), 1u);
    EXPECT_EQ(jvm.mainArguments[0], arguments);
}

TEST_F(ShippedInstall, NoLogWithoutTheWord) {
    ASSERT_EQ(run(""), kExitMainReturned);
    EXPECT_FALSE(machine.exists(kServiceLog));
}

TEST_F(ShippedInstall, MissingRuntimeShowsTheShippedMessage) {
    machine.unsetVariable("Path");
    FakeMachine empty;
    machine.addFile("C:\\Zarvel\\gui\\jre\\bin\\java.exe.bak");
    // Remove the runtime: a fresh machine without it, the same configuration.
    for (const auto& [id, text] : config) {
        empty.setConfig(id, text);
    }
    empty.moduleName = kShippedProgram;
    empty.addFile(kShippedProgram, "MZ");
    empty.commandLineText = std::string("\"") + kShippedProgram + "\"";
    EXPECT_EQ(runLauncher(empty), kExitPreparationFailed);
    EXPECT_EQ(empty.stdoutText,
              "Zarvel-Quorvex integration service: This application was configured to use a "
              "bundled Java Runtime Environment but the runtime is missing or corrupted.\n");
    EXPECT_EQ(empty.shellOpened,
              std::vector<std::string>{"https://support.zarvel.example/quorvex-service"});
}

TEST_F(ShippedInstall, SecondInstanceOfTheShippedService) {
    FakeMachine second;
    second.mutexes = machine.mutexes;
    for (const auto& [id, text] : config) {
        second.setConfig(id, text);
    }
    second.moduleName = kShippedProgram;
    second.addFile(kShippedProgram, "MZ");
    machine.mutexes->insert(machine.mutexObjectName("quorvexService"));  // the first instance runs
    second.commandLineText = std::string("\"") + kShippedProgram + "\"";
    EXPECT_EQ(runLauncher(second), kExitAnotherInstance);
    EXPECT_EQ(second.stdoutText,
              "Zarvel-Quorvex integration service: An application instance is already running.\n");
    EXPECT_TRUE(second.shellOpened.empty());
}

// A small configuration whose every read shows in the debug-all log.
TEST(Preparation, DebugAllLogShowsEveryReadInOrder) {
    FakeMachine machine;
    machine.setConfig(101, "Start failed.");
    machine.setConfig(10, "Title");
    machine.setConfig(1, "jre");
    machine.setConfig(15, "app.Main");
    machine.setConfig(16, "lib\\a.jar");
    machine.addFile("C:\\app\\jre\\bin\\java.exe");
    machine.addJvm("C:\\app\\jre\\bin\\client\\jvm.dll").classes.insert("app/Main");
    machine.commandLineText = "\"C:\\app\\QuorvexService.exe\" --mvk-debug-all";
    ASSERT_EQ(runLauncher(machine), kExitMainReturned);
    const std::string line = "-classpath \"lib\\a.jar\" app.Main";
    EXPECT_EQ(machine.fileContent("C:\\app\\morvakin.log"),
              "\n\nVersion:\t3.12\n"
              "CmdLine:\tC:\\app\\QuorvexService.exe --mvk-debug-all\n"
              "WOW64:\t\tno\n"
              "Resource 10:\tTitle\n"
              "Resource 22:\t<NULL>\n"
              "Resource 101:\tStart failed.\n"
              "Resource 23:\t<NULL>\n"
              "Resource 8:\t<NULL>\n"
              "jreSearch()\n"
              "Resource 32:\t<NULL>\n"
              "Resource 2:\t<NULL>\n"
              "Java min ver:\t\n"
              "Resource 3:\t<NULL>\n"
              "Java max ver:\t\n"
              "bundledJreSearch()\n"
              "Resource 29:\t<NULL>\n"
              "Resource 1:\tjre\n"
              "Bundled JRE:\tjre\n"
              "Check launcher:\tC:\\app\\jre\\bin\\java.exe (OK)\n"
              "Resource 19:\t<NULL>\n"
              "Resource 25:\t<NULL>\n"
              "Resource 26:\t<NULL>\n"
              "Resource 27:\t<NULL>\n"
              "Resource 28:\t<NULL>\n"
              "Resource 12:\t<NULL>\n"
              "Resource 17:\t<NULL>\n"
              "Resource 14:\t<NULL>\n"
              "Resource 15:\tapp.Main\n"
              "Main class:\tapp.Main\n"
              "Resource 16:\tlib\\a.jar\n"
              "Add classpath:\tlib\\a.jar\n"
              "Resource 13:\t<NULL>\n"
              "Launcher:\tC:\\app\\jre\\bin\\java.exe\n"
              "Launcher args:\t" +
                  line +
                  "\n"
                  "Args length:\t" +
                  std::to_string(line.size()) +
                  "/32768 chars\n"
                  "Resource 31:\t<NULL>\n"
                  "Exit code:\t0\n");
}

// A registered 64-bit runtime, value 19, the options file and a heap share reach the JVM.
TEST(Preparation, RegistryRuntimeEnvironmentOptionsAndHeap) {
    FakeMachine machine;
    FakeJvm& jvm = makeRegistrySearch(machine);
    ASSERT_EQ(runLauncher(machine), kExitMainReturned);
    EXPECT_EQ(machine.variable("APP_HOME"), "C:\\app");
    EXPECT_EQ(machine.variable("JAVA_OPTS_HOME"), "C:\\jdk17");
    EXPECT_EQ(machine.variable("Path"), ";C:\\jdk17\\bin");
    ASSERT_EQ(jvm.creations.size(), 1u);
    EXPECT_EQ(jvm.creations[0].options,
              (std::vector<std::string>{"-Xmx2048m", "-Dmode=site", "-Dhome=C:\\app",
                                        "-Djava.class.path=lib\\a.jar;lib\\b.jar", "app.Main"}));
    const std::string log = machine.fileContent("C:\\app\\morvakin.log");
    EXPECT_NE(log.find("Runtime used:\t1.017.000_002 (64-bit)\n"), std::string::npos);
    EXPECT_NE(
        log.find("Heap -Xmx:\tRequested 0 MB / 25%, Available: 8192 MB, Heap size: 2048 MB\n"),
        std::string::npos);
    EXPECT_NE(log.find("Loading:\tC:\\app\\QuorvexService.mvk.ini\n"), std::string::npos);
}

TEST(Preparation, NoRuntimeInTheWindowReportsTheComposedMessage) {
    FakeMachine machine;
    machine.setConfig(101, "Start failed.");
    machine.setConfig(10, "Svc");
    machine.setConfig(2, "11");
    machine.setConfig(3, "17");
    machine.setConfig(30, "4");
    machine.setConfig(103, "This application requires a Java Runtime Environment");
    machine.setConfig(104, "The registry refers to a nonexistent runtime.");
    machine.setConfig(21, "https://java.example/");
    machine.setConfig(22, "https://support.example/");
    machine.setRegistryString(View::Bits32, RegistryRoot::LocalMachine,
                              "SOFTWARE\\JavaSoft\\Java Development Kit\\11", "JavaHome",
                              "C:\\gone");
    machine.setConfig(18, "3");
    machine.commandLineText = "QuorvexService.exe --mvk-debug";
    machine.lastErrorCode = 0;
    EXPECT_EQ(runLauncher(machine), kExitPreparationFailed);
    EXPECT_EQ(machine.stdoutText,
              "Svc: This application requires a Java Runtime Environment 11 - 17 (32-bit)\n"
              "The registry refers to a nonexistent runtime.\n");
    EXPECT_EQ(machine.shellOpened, std::vector<std::string>{"https://java.example/"});
    const std::string log = machine.fileContent("C:\\app\\morvakin.log");
    EXPECT_EQ(log.substr(log.find("Error msg:")),
              "Error msg:\tThis application requires a Java Runtime Environment 11 - 17 (32-bit)\n"
              "The registry refers to a nonexistent runtime.\n"
              "Open URL:\thttps://java.example/\n");
}

}  // namespace
}  // namespace qv::testing
