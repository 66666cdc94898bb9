// A scriptable JVM library of the fake machine, standing in for jvm.dll.
#ifndef QV_TESTS_LAUNCHER_FAKE_JVM_H
#define QV_TESTS_LAUNCHER_FAKE_JVM_H

#include "os.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qv::testing {

// A JVM library: records each JNI_CreateJavaVM call and the JNI calls of the launcher's main
// thread, and answers as the test scripted it.
class FakeJvm {
  public:
    struct Creation {
        jint version = 0;
        jboolean ignoreUnrecognized = JNI_FALSE;
        std::vector<std::string> options;
        std::vector<bool> extraInfoNull;
    };

    // --- Script --------------------------------------------------------------------------------
    bool exportsCreateJavaVm = true;
    // Result of the n-th creation (0-based); creations past the end give 0 (JNI_OK).
    std::vector<jint> creationResults;
    // Classes that FindClass finds (slash form); "java/lang/String" is always there.
    std::set<std::string> classes;
    // Classes that only the context class loader of main's thread loads (a fat-jar launcher's
    // own loader): FindClass does not find them, Class.forName with that loader does.
    std::set<std::string> contextLoaderClasses;
    // Classes in `classes` that have no static main(String[]).
    std::set<std::string> classesWithoutMain;
    bool failArray = false;
    // NewStringUTF fails (exception pending) at this element index.
    std::optional<int> failStringAt;
    // main leaves an exception pending when it returns.
    bool mainThrows = false;
    // main meets a fatal error: the JVM calls its abort hook (and, if that returns, main ends).
    bool mainAborts = false;
    // main calls System.exit with this code (the exit hook is called, then main returns, as
    // though the process ended there).
    std::optional<jint> mainExits;
    // main blocks until System.exit or a stop method (`stopMethods`) is called on another thread.
    bool mainBlocks = false;
    // Static void methods taking String[] that a stop may call ("pkg/Class.method"); calling one
    // ends a blocked main.
    std::set<std::string> stopMethods;
    // System.exit ends the JVM only when this is true. False: a shutdown hook never ends, so
    // System.exit blocks (until the process is ended) and never reaches the exit hook.
    bool exitEndsMain = true;
    // main starts a non-daemon thread and returns at once: DestroyJavaVM waits for that thread,
    // which ends when System.exit or a stop method is called (or the process is ended).
    bool mainLeavesThread = false;
    // Called at the start of each JNI_CreateJavaVM (a creation that takes its time).
    std::function<void()> beforeCreate;
    // Called when DestroyJavaVM begins.
    std::function<void()> onDestroy;
    // Called as main begins (what the Java service does first).
    std::function<void()> onMain;

    // --- Record --------------------------------------------------------------------------------
    std::vector<Creation> creations;
    // The JNI calls in order, e.g. "FindClass(app/Main)", "ExceptionDescribe"; kept only while
    // `recordCalls` is set (the fuzz targets, which check what the calls gave and not their
    // sequence, turn it off).
    bool recordCalls = true;
    std::vector<std::string> calls;
    // NewStringUTF calls so far (the element index that failStringAt counts).
    int stringsMade = 0;
    // The String[] of each call of main.
    std::vector<std::vector<std::string>> mainArguments;
    int destroyCount = 0;
    // The codes System.exit was called with, and the String[] of each stop method call.
    std::vector<jint> exitCodes;
    std::vector<std::vector<std::string>> stopArguments;
    // The exit hook of the last creation ("exit" option), or null.
    void(JNICALL* exitHook)(jint) = nullptr;
    // The abort hook of the last creation ("abort" option), or null.
    void(JNICALL* abortHook)() = nullptr;

    // Ends a blocked main (what System.exit or a stop method does). A call on an attached thread
    // takes effect when that thread detaches, so that the fake's records are written by one
    // thread at a time.
    void releaseMain();
    bool releaseOnDetach = false;
    void waitForRelease();
    // Threads attached with AttachCurrentThread are non-daemon threads: DestroyJavaVM waits until
    // each has detached, as HotSpot's does, and then records "DestroyJavaVM returns" (also after
    // waiting for main's thread, mainLeavesThread). True when a thread was ever attached.
    void attached();
    void detached();
    bool waitForDetachedThreads();

    // The entry handed out for this library (JNI_CreateJavaVM).
    CreateJavaVmFn entry();

    FakeJvm();
    ~FakeJvm();
    FakeJvm(const FakeJvm&) = delete;
    FakeJvm& operator=(const FakeJvm&) = delete;

    // Handlers of the JNI functions (public for the C-style trampolines).
    struct Object {
        std::string kind;  // "class", "string", "array", "throwable"
        std::string text;  // class name or string value
        std::vector<jobject> elements;
    };
    jint create(JavaVM** vm, void** env, void* args);
    jobject newObject(Object object);
    Object* object(jobject handle);
    jthrowable pending = nullptr;
    JNINativeInterface_ functions{};
    JNIInvokeInterface_ invokeFunctions{};
    JNIEnv env{};
    JavaVM vm{};

  private:
    std::deque<Object> objects_;
    // The service's stop thread calls in while main's thread still does: the record and the
    // objects are written under this lock.
    std::mutex recordMutex_;
    friend void lockedRecord(FakeJvm& jvm, std::string call);
    std::mutex releaseMutex_;
    std::condition_variable released_;
    bool mainReleased_ = false;
    int attachedThreads_ = 0;
    bool threadsAttached_ = false;
};

}  // namespace qv::testing

#endif  // QV_TESTS_LAUNCHER_FAKE_JVM_H
