// The Java runtime search: versions, the local runtime, registry views and keys, the message.
#include "runtime_search.h"

#include "launcher_fixture.h"

#include <algorithm>

namespace qv::testing {
namespace {

using View = FakeMachine::View;
constexpr RegistryRoot kHklm = RegistryRoot::LocalMachine;
constexpr const char* kJreKey = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
constexpr const char* kJdkKey = "SOFTWARE\\JavaSoft\\Java Development Kit";

TEST(NormalizeVersion, Table) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"1.8", "1.008.000"},
        {"1.8.0_202", "1.008.000_202"},
        {"1.6.0_45", "1.006.000_045"},
        {"11.0.2", "1.011.000_002"},
        {"17", "1.017.000"},
        {"1", "1.000.000"},
        {"1.8.0_202_7", "1.008.000_202"},
        {"1.10", "1.010.000"},
        {"", ""},
        {"MSI", "1.MSI.000"},
        {"1..8", "1.000.000"},
        {"1.8.", "1.008.000"},
        {"17.0.1234", "1.017.000_1234"},
        {"1.8_5", "1.008.005"},
        {".8", ".000.000.000"},
    };
    for (const Case& c : cases) {
        FixedText<kShortTextSize> out("stale");
        EXPECT_TRUE(normalizeVersion(out, c.text)) << c.text;
        EXPECT_EQ(out.view(), c.expected) << c.text;
    }
}

TEST(NormalizeVersion, ResultThatDoesNotFitIsRefused) {
    FixedText<kShortTextSize> out;
    EXPECT_TRUE(normalizeVersion(out, std::string(121, '9')));  // "1.", 121 nines, ".000": 127
    EXPECT_EQ(out.size(), 127u);
    EXPECT_FALSE(normalizeVersion(out, std::string(122, '9')));
    EXPECT_TRUE(out.empty());
}

class RuntimeSearchTest : public LauncherFixture {
  protected:
    // A registered runtime: the version subkey with its JavaHome and the launcher file there.
    void addRuntime(View view, const std::string& key, const std::string& version,
                    const std::string& home) {
        machine.setRegistryString(view, kHklm, key + "\\" + version, "JavaHome", home);
        machine.addFile(home + "\\bin\\java.exe");
    }
    std::vector<std::string> logLines(std::string_view prefix) const {
        std::vector<std::string> lines;
        const std::string text = log();
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = text.find('\n', start);
            std::string line = text.substr(start, end - start);
            if (line.rfind(prefix, 0) == 0) {
                lines.push_back(line);
            }
            start = end == std::string::npos ? text.size() : end + 1;
        }
        return lines;
    }
};

TEST_F(RuntimeSearchTest, LocalRuntimePathForms) {
    struct Case {
        const char* name;
        const char* value;
        const char* programPath;
        const char* launcherPath;
    } cases[] = {
        {"relative with dots", "..\\..\\gui\\jre", "C:\\app\\bin\\Q.exe",
         "C:\\app\\bin\\..\\..\\gui\\jre"},
        {"drive-relative counts as absolute", "D:jre", "C:\\app\\Q.exe", "D:jre"},
        {"UNC counts as absolute", "\\\\server\\jre", "C:\\app\\Q.exe", "\\\\server\\jre"},
        {"rooted", "\\jre", "C:\\app\\Q.exe", "\\jre"},
        {"variable", "%EXEDIR%\\jre", "C:\\app\\Q.exe", "C:\\app\\jre"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        ProgramLocation location;
        (void)location.path.assign(c.programPath);
        location.directoryLength = location.path.view().rfind('\\');
        fresh.machine.setConfig(1, c.value);
        const std::string launcher = std::string(c.launcherPath) + "\\bin\\java.exe";
        EXPECT_FALSE(bundledJreSearch(fresh.ctx, location).value);
        fresh.machine.addFile(launcher);
        EXPECT_TRUE(bundledJreSearch(fresh.ctx, location).value);
        EXPECT_EQ(fresh.state->search.javaHome.view(), c.launcherPath);
        EXPECT_EQ(fresh.state->search.foundRuntime, FOUND_LOCAL);
    }
}

TEST_F(RuntimeSearchTest, LocalRuntimeTraceAndMissingLauncher) {
    openLog();
    machine.setConfig(1, "jre");
    machine.lastErrorCode = 5;
    EXPECT_FALSE(bundledJreSearch(ctx, program).value);
    EXPECT_EQ(machine.lastErrorCode, 0u);  // the failed file-status query leaves no stale code
    EXPECT_TRUE(state->search.javaHome.empty());  // the candidate is no runtime home
    EXPECT_EQ(log(),
              "Bundled JRE:\tjre\n"
              "Check launcher:\tC:\\app\\jre\\bin\\java.exe (not found)\n");
}

TEST_F(RuntimeSearchTest, SixtyFourBitLocalRuntime) {
    openLog();
    machine.setConfig(1, "jre");
    machine.setConfig(29, "true");
    machine.addFile("C:\\app\\jre\\bin\\java.exe");
    EXPECT_FALSE(bundledJreSearch(ctx, program).value);
    EXPECT_EQ(log(), "Bundled JRE:\tCannot use 64-bit runtime on 32-bit OS.\n");
    state->wow64 = true;
    EXPECT_TRUE(bundledJreSearch(ctx, program).value);
    EXPECT_EQ(state->search.foundRuntime, FOUND_LOCAL | FOUND_64BIT);
}

TEST_F(RuntimeSearchTest, RegistryViewsOfTheRuntimeBitsModes) {
    // A registered runtime of the whole search.
    struct Installed {
        View view;
        const char* key;
        const char* version;
        const char* home;
    };
    struct Case {
        int mode;
        bool windows64;
        std::uint32_t foundBefore;
        std::vector<std::string> scans;  // "32" or "64" per view scanned, for one key
        // The whole search (value 2 "1.8", JRE keys before JDK keys, no local runtime) over these
        // runtimes: the views it scans ("32", "64" in the order first met; none: no registry
        // key opened), then the runtime chosen with its flags and its "Runtime used:" line, or,
        // when none is chosen, the message.
        std::vector<Installed> installed = {};
        std::vector<std::string> searched = {};
        const char* chosen = nullptr;
        std::uint32_t chosenFound = 0;
        const char* used = nullptr;
        const char* message = nullptr;
    } cases[] = {
        {1,
         false,
         0,
         {},
         {{View::Bits32, kJreKey, "1.8", "C:\\jre8"}},
         {},
         nullptr,
         0,
         nullptr,
         "Need Java 1.8 (64-bit)"},
        {1, true, 0, {"64"}},
        {2, false, 0, {"32"}},
        // Once a 64-bit match exists, no 32-bit view is scanned, not even for a newer runtime.
        {2,
         true,
         0,
         {"64", "32"},
         {{View::Bits64, kJreKey, "1.8", "C:\\jre8-64"},
          {View::Bits32, kJdkKey, "17", "C:\\jdk17-32"}},
         {"64"},
         "C:\\jre8-64",
         FOUND_JRE_KEY | FOUND_64BIT,
         "1.008.000 (64-bit)"},
        {2, true, FOUND_JRE_KEY | FOUND_64BIT, {"64"}},
        {2, true, FOUND_JRE_KEY, {"64", "32"}},
        {3, false, 0, {"32"}},
        {3, false, FOUND_JRE_KEY, {"32"}},
        // Once a 32-bit match is the best, no 64-bit view is scanned, not even for newer runtimes.
        {3,
         true,
         0,
         {"32", "64"},
         {{View::Bits32, kJreKey, "1.8", "C:\\jre8-32"},
          {View::Bits64, kJreKey, "17", "C:\\jre17-64"},
          {View::Bits64, kJdkKey, "21", "C:\\jdk21-64"}},
         {"32"},
         "C:\\jre8-32",
         FOUND_JRE_KEY,
         "1.008.000 (32-bit)"},
        // While nothing is found, the 64-bit views are scanned after the 32-bit ones.
        {3,
         true,
         0,
         {"32", "64"},
         {{View::Bits64, kJreKey, "17", "C:\\jre17-64"},
          {View::Bits64, kJdkKey, "21", "C:\\jdk21-64"}},
         {"32", "64"},
         "C:\\jdk21-64",
         FOUND_JDK_KEY | FOUND_64BIT,
         "1.021.000 (64-bit)"},
        {3, true, FOUND_JRE_KEY, {"32"}},
        {3, true, FOUND_JDK_KEY | FOUND_64BIT, {"32", "64"}},
        {4, false, 0, {"32"}},
        {4, true, 0, {"32"}},
        {0, true, 0, {}},
        {5, false, 0, {}},
        {-1, true, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) +
                     (c.windows64 ? " on 64-bit" : " on 32-bit") + " found " +
                     std::to_string(c.foundBefore));
        LauncherOnMachine fresh;
        fresh.machine.windows64 = c.windows64;
        fresh.openLog();
        fresh.state->wow64 = c.windows64;
        fresh.state->search.foundRuntime = c.foundBefore;
        fresh.machine.setConfig(30, std::to_string(c.mode));
        EXPECT_TRUE(scanRuntimeViews(fresh.ctx, kJreKey, FOUND_JRE_KEY).goesOn());
        std::string expected;
        for (const std::string& bits : c.scans) {
            expected += bits + "-bit search:\t" + kJreKey + "...\n";
        }
        if (c.mode < 1 || c.mode > 4) {
            expected = "Runtime bits:\tFailed to load.\n";
        }
        EXPECT_EQ(fresh.machine.fileContent(kLogPath), expected);
        // The views reached: the 64-bit view only on 64-bit Windows.
        for (const std::string& open : fresh.machine.registryOpens) {
            EXPECT_TRUE(c.windows64 || open.rfind("32:", 0) == 0) << open;
        }
        EXPECT_EQ(fresh.state->search.bitsMode, c.mode);

        if (c.installed.empty()) {
            continue;
        }
        LauncherOnMachine whole;
        whole.machine.windows64 = c.windows64;
        whole.openLog();
        whole.state->wow64 = c.windows64;
        whole.machine.setConfig(30, std::to_string(c.mode));
        whole.machine.setConfig(2, "1.8");
        whole.machine.setConfig(18, "1");
        whole.machine.setConfig(103, "Need Java");
        for (const Installed& runtime : c.installed) {
            whole.machine.setRegistryString(runtime.view, kHklm,
                                            std::string(runtime.key) + "\\" + runtime.version,
                                            "JavaHome", runtime.home);
            whole.machine.addFile(std::string(runtime.home) + "\\bin\\java.exe");
        }
        const Step step = jreSearch(whole.ctx, program);
        std::vector<std::string> searched;
        const std::string log = whole.machine.fileContent(kLogPath);
        for (const char* bits : {"32", "64"}) {
            const std::size_t at = log.find(std::string(bits) + "-bit search:\t");
            if (at != std::string::npos) {
                searched.push_back(bits);
            }
        }
        if (searched.size() == 2 && log.find("64-bit search:\t") < log.find("32-bit search:\t")) {
            std::swap(searched[0], searched[1]);
        }
        EXPECT_EQ(searched, c.searched);
        if (c.searched.empty()) {
            EXPECT_TRUE(whole.machine.registryOpens.empty());
        }
        if (c.chosen != nullptr) {
            EXPECT_TRUE(step.goesOn());
            EXPECT_EQ(whole.state->search.javaHome.view(), c.chosen);
            EXPECT_EQ(whole.state->search.foundRuntime, c.chosenFound);
            EXPECT_NE(log.find(std::string("Runtime used:\t") + c.used + "\n"), std::string::npos)
                << log;
        } else {
            EXPECT_FALSE(step.goesOn());
            EXPECT_EQ(whole.state->errorMessage.view(), c.message);
        }
    }
}

TEST_F(RuntimeSearchTest, RuntimeBitsAreReadOnceAtTheFirstScan) {
    openLog(true);
    machine.setConfig(30, "4");
    EXPECT_TRUE(scanRuntimeViews(ctx, kJreKey, FOUND_JRE_KEY).goesOn());
    EXPECT_TRUE(scanRuntimeViews(ctx, kJdkKey, FOUND_JDK_KEY).goesOn());
    EXPECT_EQ(logLines("Resource 30:"), std::vector<std::string>{"Resource 30:\t4"});
}

TEST_F(RuntimeSearchTest, JdkPreferenceOrdersTheKeysOfEachPair) {
    const std::string jre1 = kJreKey, jdk1 = kJdkKey, jre2 = "SOFTWARE\\JavaSoft\\JRE",
                      jdk2 = "SOFTWARE\\JavaSoft\\JDK",
                      jre3 = "SOFTWARE\\IBM\\Java Runtime Environment",
                      jdk3 = "SOFTWARE\\IBM\\Java Development Kit",
                      jre4 = "SOFTWARE\\IBM\\Java2 Runtime Environment";
    struct Case {
        int preference;
        std::vector<std::string> keys;
    } cases[] = {
        {0, {jre1, jre2, jre3, jre4}},
        {1, {jre1, jdk1, jre2, jdk2, jre3, jdk3, jre4, jdk3}},
        {2, {jdk1, jre1, jdk2, jre2, jdk3, jre3, jdk3, jre4}},
        {3, {jdk1, jdk2, jdk3, jdk3}},
        {7, {jre1, jdk1, jre2, jdk2, jre3, jdk3, jre4, jdk3}},
        {-1, {jre1, jdk1, jre2, jdk2, jre3, jdk3, jre4, jdk3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preference);
        LauncherOnMachine fresh;
        fresh.openLog();
        fresh.machine.setConfig(30, "4");
        EXPECT_FALSE(findJavaHome(fresh.ctx, c.preference).value);
        std::string expected;
        for (const std::string& key : c.keys) {
            expected += "32-bit search:\t" + key + "...\n";
        }
        EXPECT_EQ(fresh.machine.fileContent(kLogPath), expected);
    }
}

TEST_F(RuntimeSearchTest, IbmKeysOnlyWhileNothingIsFound) {
    openLog();
    machine.setConfig(30, "4");
    (void)state->search.minVersion.assign("1.008.000");
    addRuntime(View::Bits32, "SOFTWARE\\JavaSoft\\JRE", "1.8", "C:\\jre8");
    addRuntime(View::Bits32, "SOFTWARE\\IBM\\Java Runtime Environment", "11", "C:\\ibm11");
    EXPECT_TRUE(findJavaHome(ctx, 0).value);
    EXPECT_EQ(state->search.javaHome.view(), "C:\\jre8");
    EXPECT_EQ(logLines("32-bit search:").size(), 2u);
    EXPECT_EQ(logLines("Runtime used:"),
              std::vector<std::string>{"Runtime used:\t1.008.000 (32-bit)"});
}

TEST_F(RuntimeSearchTest, VersionWindowAndNewestMatch) {
    openLog();
    machine.setConfig(30, "4");
    machine.setConfig(2, "1.6");
    machine.setConfig(3, "1.8.0");
    machine.setConfig(18, "1");
    addRuntime(View::Bits32, kJreKey, "1.8", "C:\\jre8");
    addRuntime(View::Bits32, kJreKey, "1.8.0_202", "C:\\jre8u202");
    addRuntime(View::Bits32, kJreKey, "1.5", "C:\\jre5");
    addRuntime(View::Bits32, kJdkKey, "1.7", "C:\\jdk7");
    EXPECT_TRUE(jreSearch(ctx, program).goesOn());
    EXPECT_EQ(state->search.javaHome.view(), "C:\\jre8");
    EXPECT_EQ(state->search.foundRuntime, FOUND_JRE_KEY);
    EXPECT_EQ(state->search.bestVersion.view(), "1.008.000");
    EXPECT_EQ(logLines("Java "),
              (std::vector<std::string>{"Java min ver:\t1.006.000", "Java max ver:\t1.008.000"}));
    EXPECT_EQ(logLines("Match:"), std::vector<std::string>{"Match:\t\t1.008.000"});
    EXPECT_EQ(logLines("Ignore:"),
              (std::vector<std::string>{"Ignore:\t\t1.005.000", "Ignore:\t\t1.008.000_202",
                                        "Ignore:\t\t1.007.000"}));
    EXPECT_FALSE(state->search.staleRegistry);
}

TEST_F(RuntimeSearchTest, EqualVersionsKeepTheFirstFound) {
    openLog();
    machine.setConfig(30, "4");
    (void)state->search.minVersion.assign("1.001.000");
    addRuntime(View::Bits32, kJreKey, "1.8", "C:\\first");
    addRuntime(View::Bits32, kJreKey, "1.8.0", "C:\\second");
    EXPECT_TRUE(findJavaHome(ctx, 0).value);
    EXPECT_EQ(state->search.javaHome.view(), "C:\\first");
    EXPECT_EQ(logLines("Match:"), std::vector<std::string>{"Match:\t\t1.008.000"});
    EXPECT_EQ(logLines("Ignore:"), std::vector<std::string>{"Ignore:\t\t1.008.000"});
}

TEST_F(RuntimeSearchTest, NonVersionSubkeyWithoutJavaHomeMarksTheRegistryStale) {
    openLog();
    machine.setConfig(30, "4");
    machine.setConfig(2, "1.8");
    machine.setConfig(103, "Need Java");
    machine.setConfig(104, "Stale registry.");
    machine.setConfig(21, "https://java.example/");
    machine.setConfig(22, "https://support.example/");
    machine.addRegistryKey(View::Bits32, kHklm, std::string(kJreKey) + "\\MSI");
    EXPECT_FALSE(jreSearch(ctx, program).goesOn());
    EXPECT_TRUE(state->search.staleRegistry);
    EXPECT_EQ(logLines("Ignore:"), std::vector<std::string>{"Ignore:\t\t1.MSI.000"});
    EXPECT_EQ(state->errorMessage.view(), "Need Java 1.8 (32-bit)\nStale registry.");
    EXPECT_EQ(state->errorUrl.view(), "https://java.example/");
}

TEST_F(RuntimeSearchTest, OnlyAFailedFileQueryClearsTheLastError) {
    openLog();
    machine.setConfig(30, "4");
    (void)state->search.minVersion.assign("1.001.000");
    // An empty JavaHome: nothing is queried, so an earlier failure keeps its code.
    machine.setRegistryString(View::Bits32, kHklm, std::string(kJreKey) + "\\1.8", "JavaHome", "");
    machine.lastErrorCode = 5;
    EXPECT_FALSE(findJavaHome(ctx, 0).value);
    EXPECT_TRUE(state->search.staleRegistry);
    EXPECT_EQ(machine.lastErrorCode, 5u);
    // A home whose launcher file is missing: the failed query leaves no stale code.
    machine.setRegistryString(View::Bits32, kHklm, std::string(kJreKey) + "\\1.9", "JavaHome",
                              "C:\\jre9");
    EXPECT_FALSE(findJavaHome(ctx, 0).value);
    EXPECT_EQ(machine.lastErrorCode, 0u);
}

TEST_F(RuntimeSearchTest, JavaHomeWithTrailingBackslash) {
    openLog();
    machine.setConfig(30, "4");
    (void)state->search.minVersion.assign("1.001.000");
    machine.setRegistryString(View::Bits32, kHklm, std::string(kJreKey) + "\\1.8", "JavaHome",
                              "C:\\jre8\\");
    machine.addFile("C:\\jre8\\bin\\java.exe");
    EXPECT_TRUE(findJavaHome(ctx, 0).value);
    EXPECT_EQ(logLines("Check launcher:"),
              std::vector<std::string>{"Check launcher:\tC:\\jre8\\bin\\java.exe (OK)"});
}

TEST_F(RuntimeSearchTest, OverlongJavaHomeOrKeyPathIsNoMatch) {
    openLog();
    machine.setConfig(30, "4");
    (void)state->search.minVersion.assign("1.001.000");
    const std::string longHome = "C:\\" + std::string(257, 'h');  // 260 characters
    machine.setRegistryString(View::Bits32, kHklm, std::string(kJreKey) + "\\1.8", "JavaHome",
                              longHome);
    machine.addFile(longHome + "\\bin\\java.exe");
    // A subkey name that makes the key path longer than 259 characters.
    const std::string longName = "1." + std::string(220, '9');
    addRuntime(View::Bits32, kJreKey, longName, "C:\\fine");
    // A version of more than 127 characters once normalised, in a key path that fits.
    const std::string longVersion = "1." + std::string(130, '8');
    addRuntime(View::Bits32, kJreKey, longVersion, "C:\\fine");
    // A home that fits, but not with "\bin\java.exe" after it.
    const std::string tightHome = "C:\\" + std::string(250, 't');
    addRuntime(View::Bits32, kJdkKey, "11", tightHome);
    EXPECT_FALSE(findJavaHome(ctx, 1).value);
    EXPECT_EQ(logLines("Match:").size(), 0u);
    const std::vector<std::string> ignored = logLines("Ignore:");
    ASSERT_EQ(ignored.size(), 4u);
    EXPECT_NE(std::find(ignored.begin(), ignored.end(), "Ignore:\t\t" + longVersion),
              ignored.end());
    EXPECT_TRUE(state->search.staleRegistry);
    EXPECT_EQ(
        logLines("Check launcher:"),
        std::vector<std::string>{"Check launcher:\t" + tightHome + "\\bin\\java.exe (not found)"});
}

TEST_F(RuntimeSearchTest, WithoutMinimumVersionTheRegistryIsNeverRead) {
    machine.setConfig(102, "Local runtime missing.");
    machine.setConfig(22, "https://support.example/");
    (void)state->errorUrl.assign("https://support.example/");
    machine.setConfig(30, "4");
    machine.setConfig(1, "jre");
    addRuntime(View::Bits32, kJreKey, "1.8", "C:\\jre8");
    EXPECT_FALSE(jreSearch(ctx, program).goesOn());
    EXPECT_TRUE(machine.registryOpens.empty());
    EXPECT_EQ(state->errorMessage.view(), "Local runtime missing.");
    EXPECT_EQ(state->errorUrl.view(), "https://support.example/");
}

TEST_F(RuntimeSearchTest, SearchOrder) {
    for (bool installedFirst : {false, true}) {
        SCOPED_TRACE(installedFirst ? "installed first" : "local first");
        LauncherOnMachine fresh;
        fresh.machine.setConfig(30, "4");
        fresh.machine.setConfig(2, "1.8");
        fresh.machine.setConfig(1, "jre");
        fresh.machine.addFile("C:\\app\\jre\\bin\\java.exe");
        fresh.machine.setRegistryString(View::Bits32, kHklm, std::string(kJreKey) + "\\11",
                                        "JavaHome", "C:\\jre11");
        fresh.machine.addFile("C:\\jre11\\bin\\java.exe");
        if (installedFirst) {
            fresh.machine.setConfig(32, "true");
        }
        fresh.machine.setConfig(18, "0");
        EXPECT_TRUE(jreSearch(fresh.ctx, program).goesOn());
        EXPECT_EQ(fresh.state->search.javaHome.view(),
                  installedFirst ? "C:\\jre11" : "C:\\app\\jre");
        EXPECT_EQ(fresh.state->search.foundRuntime, installedFirst ? FOUND_JRE_KEY : FOUND_LOCAL);
    }
}

TEST_F(RuntimeSearchTest, ComposedRuntimeErrorMessage) {
    struct Case {
        const char* name;
        const char* minVersion;
        const char* maxVersion;
        int mode;
        bool stale;
        bool haveStaleText;
        const char* message;
        const char* url;
    } cases[] = {
        {"no minimum", "", "", 4, true, true, "Local runtime missing.", "https://support.example/"},
        {"minimum, 32-bit only", "1.8", "", 4, false, true, "Need Java 1.8 (32-bit)",
         "https://java.example/"},
        {"window, 64-bit only", "1.8", "11", 1, false, true, "Need Java 1.8 - 11 (64-bit)",
         "https://java.example/"},
        {"mode 2, stale", "1.8", "", 2, true, true, "Need Java 1.8\nStale registry.",
         "https://java.example/"},
        {"mode 3, stale without its text", "1.8", "", 3, true, false, "Need Java 1.8",
         "https://java.example/"},
        {"configured text is shown, not normalised", "1.8.0_45", "17", 3, false, true,
         "Need Java 1.8.0_45 - 17", "https://java.example/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LauncherOnMachine fresh;
        fresh.machine.setConfig(102, "Local runtime missing.");
        fresh.machine.setConfig(103, "Need Java");
        if (c.haveStaleText) {
            fresh.machine.setConfig(104, "Stale registry.");
        }
        fresh.machine.setConfig(21, "https://java.example/");
        (void)fresh.state->errorUrl.assign("https://support.example/");
        (void)fresh.state->search.minVersionText.assign(c.minVersion);
        (void)normalizeVersion(fresh.state->search.minVersion, c.minVersion);
        (void)fresh.state->search.maxVersionText.assign(c.maxVersion);
        fresh.state->search.bitsMode = c.mode;
        fresh.state->search.staleRegistry = c.stale;
        EXPECT_TRUE(composeRuntimeError(fresh.ctx).goesOn());
        EXPECT_EQ(fresh.state->errorMessage.view(), c.message);
        EXPECT_EQ(fresh.state->errorUrl.view(), c.url);
    }
}

TEST_F(RuntimeSearchTest, ComposedMessageIsCutToItsCapacity) {
    machine.setConfig(103, std::string(1020, 'n'));
    (void)state->search.minVersionText.assign("1.8");
    (void)state->search.minVersion.assign("1.008.000");
    state->search.bitsMode = 4;
    EXPECT_TRUE(composeRuntimeError(ctx).goesOn());
    EXPECT_EQ(state->errorMessage.view(), std::string(1020, 'n') + " 1.");
}

TEST_F(RuntimeSearchTest, LauncherFile) {
    // The launcher file of the runtime home.
    FixedText<kPathSize> path;
    (void)state->search.javaHome.assign("C:\\jre");
    EXPECT_TRUE(addLauncherFile(ctx, path).goesOn());
    EXPECT_EQ(path.view(), "C:\\jre\\bin\\java.exe");
    (void)state->search.javaHome.assign("C:\\" + std::string(247, 'x'));
    EXPECT_EQ(addLauncherFile(ctx, path).text(),
              "The launcher path does not fit into 259 characters.");
}

}  // namespace
}  // namespace qv::testing
