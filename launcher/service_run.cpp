#include "service_run.h"

#include "access_review.h"
#include "config.h"
#include "diagnostics.h"
#include "format.h"
#include "jvm_start.h"
#include "output_log.h"
#include "output_relay.h"
#include "service_events.h"
#include "service_settings.h"
#include "service_temp.h"
#include "start_plan.h"
#include "state.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace qv {

namespace {

constexpr const char* kSystemClass = "java/lang/System";
constexpr const char* kExitMethod = "exit";
constexpr const char* kExitSignature = "(I)V";
constexpr const char* kStopSignature = "([Ljava/lang/String;)V";
constexpr const char* kStringClass = "java/lang/String";
constexpr jint kStopExitCode = 0;

constexpr const char* kToStringMethod = "toString";
constexpr const char* kToStringSignature = "()Ljava/lang/String;";
constexpr const char* kExceptionWithoutText = "an exception without a text";
constexpr const char* kThreadClass = "java/lang/Thread";
constexpr const char* kCurrentThreadMethod = "currentThread";
constexpr const char* kCurrentThreadSignature = "()Ljava/lang/Thread;";
constexpr const char* kContextLoaderMethod = "getContextClassLoader";
constexpr const char* kContextLoaderSignature = "()Ljava/lang/ClassLoader;";
constexpr const char* kClassClass = "java/lang/Class";
constexpr const char* kForNameMethod = "forName";
constexpr const char* kForNameSignature =
    "(Ljava/lang/String;ZLjava/lang/ClassLoader;)Ljava/lang/Class;";

using Clock = std::chrono::steady_clock;

// The text of a throwable (its toString()), empty when it cannot be had; leaves no exception
// pending.
std::string throwableText(JNIEnv* env, jthrowable throwable) {
    std::string text;
    jclass type = env->GetObjectClass(throwable);
    jmethodID toString =
        type == nullptr ? nullptr : env->GetMethodID(type, kToStringMethod, kToStringSignature);
    auto result = toString == nullptr
                      ? nullptr
                      : static_cast<jstring>(env->CallObjectMethod(throwable, toString));
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
    } else if (result != nullptr) {
        if (const char* utf = env->GetStringUTFChars(result, nullptr)) {
            text = utf;
            env->ReleaseStringUTFChars(result, utf);
        } else {
            env->ExceptionClear();
        }
    }
    return text;
}

// The status the service manager sees, reported from the service thread, the dispatcher's thread
// and the watch thread alike. Once stopped has been reported, nothing more is.
class StatusReporter {
  public:
    explicit StatusReporter(Os& os) : os_(os) {}

    // A pending state with its wait hint; the checkpoint starts at 1. Nothing once stopped.
    void pending(ServiceState state, std::uint32_t waitHintMs) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (status_.state == ServiceState::Stopped && reported_) {
            return;
        }
        status_ = ServiceStatus{state, true, 0, 0, 1, waitHintMs};
        report();
    }
    // The next checkpoint of a pending state; nothing in any other state.
    void advance() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (status_.state == ServiceState::StartPending ||
            status_.state == ServiceState::StopPending) {
            ++status_.checkPoint;
            report();
        }
    }
    // Running, unless a stop is already pending.
    void running() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (status_.state == ServiceState::StartPending) {
            status_ = ServiceStatus{ServiceState::Running, true, 0, 0, 0, 0};
            report();
        }
    }
    // Stopped with the exit code: 0 is success, any other a service-specific code. True when
    // this call made the report.
    bool stopped(std::uint32_t exitCode) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (status_.state == ServiceState::Stopped && reported_) {
            return false;
        }
        status_ = ServiceStatus{ServiceState::Stopped,
                                false,
                                exitCode == 0 ? kErrorSuccess : kErrorServiceSpecific,
                                exitCode,
                                0,
                                0};
        report();
        return true;
    }
    bool hasStopped() {
        std::lock_guard<std::mutex> lock(mutex_);
        return status_.state == ServiceState::Stopped && reported_;
    }

  private:
    void report() {
        reported_ = true;
        (void)os_.setServiceStatus(status_);
    }

    Os& os_;
    std::mutex mutex_;
    ServiceStatus status_;
    bool reported_ = false;
};

class ServiceRun;
// The run of this process, for the JVM's exit and abort hooks, which carry no context.
std::atomic<ServiceRun*> gRun{nullptr};

// "YYYY-MM-DD hh:mm:ss".
std::string dateTimeText(const LocalTime& t) {
    return formatText("%04u-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour, t.minute,
                      t.second);
}

const char* controlName(ServiceControl control) {
    switch (control) {
        case ServiceControl::Shutdown:
            return "shutdown";
        case ServiceControl::Preshutdown:
            return "preshutdown";
        default:
            return "stop";
    }
}

// One service run. Its threads: the service thread (serviceMain: the start, main, DestroyJavaVM),
// the watch thread (checkpoints, the start deadline and the stop timeout), the stop thread (the
// stop method, started by a control on the dispatcher's thread) and whichever thread the JVM
// calls its exit or abort hook on. The stopped report is the last thing the service does: the
// service thread makes it once the other threads of the run are joined, and a hook or the watch
// thread that makes it ends the process right after. runService keeps the run until the service
// thread is done with it (waitUntilDone).
class ServiceRun final : public ServiceProgram {
  public:
    ServiceRun(Os& os, const CommandLine& line, std::chrono::milliseconds interval)
        : state_(makeWithTexts<LauncherState>()),
          ctx_{os, *state_},
          line_(line),
          interval_(interval),
          reporter_(os) {}

    Context& context() { return ctx_; }
    ServiceSettings& settings() { return *settings_; }

    void serviceMain() override;
    std::uint32_t control(ServiceControl control) override;

    // System.exit(code) in the JVM, on whichever thread called it, after the shutdown hooks: the
    // stopped report with the code, and the end of the process.
    void exitCalled(jint code);
    // The JVM aborts (a fatal error): the stopped report with kServiceExitJvmAbort, an event,
    // and the end of the process.
    void abortCalled();

    // Blocks until serviceMain has returned (the dispatcher returns as soon as the service
    // reported stopped, which may come before).
    void waitUntilDone();

  private:
    // The start and the run of the JVM; gives the exit code the stopped report carries.
    std::uint32_t startAndRun();
    std::uint32_t failStart(const Step& stop, std::uint32_t exitCode);
    // Advances the checkpoint of a pending state, and ends the process when the start has not
    // called main by its deadline or a requested stop has not ended the JVM by its timeout.
    void watch();
    // Reports stopped with `serviceExitCode`, once, and ends the process with `processCode`;
    // the line and the event (when not empty) come first.
    void endNow(const std::string& line, const ServiceEvent& kind, const std::string& event,
                std::uint32_t serviceExitCode, std::uint32_t processCode);
    // "Service:\t<what> <local date and time>" in the debug log.
    void logMoment(const std::string& what);
    // On its own thread: attaches to the JVM and calls the stop method.
    void callStopMethod(JavaVM* vm);
    // Standard output and standard error into the output log, before the JVM library is
    // loaded (its C runtime takes the standard handles as it starts). Without it the service
    // runs all the same, after an event.
    void startOutput();
    // What the Java service printed so far reaches the output log (bounded), before the stopped
    // report.
    void drainOutput();

    std::unique_ptr<LauncherState> state_;
    Context ctx_;
    const CommandLine& line_;
    std::chrono::milliseconds interval_;
    std::unique_ptr<ServiceSettings> settings_ = makeWithTexts<ServiceSettings>();
    StatusReporter reporter_;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool ended_ = false;
    bool stopRequested_ = false;
    bool mainCalled_ = false;
    bool done_ = false;
    Clock::time_point startDeadline_;
    std::optional<Clock::time_point> stopDeadline_;
    // The JVM from its creation until DestroyJavaVM has returned: a stop reaches it also while
    // the service thread waits in DestroyJavaVM for the Java service's non-daemon threads.
    JavaVM* runningVm_ = nullptr;
    std::thread stopThread_;
    std::atomic<bool> exitCalled_{false};
    std::atomic<jint> exitCode_{0};
    // A hook or the watch thread ended the process (on Windows nothing runs after that; the
    // fake machine's process goes on, and the run then writes nothing more).
    std::atomic<bool> processEnded_{false};
    // The java.lang.Thread that runs main (a global reference, kept for the life of the JVM):
    // the stop method's class is found through its context class loader.
    std::atomic<jobject> mainThread_{nullptr};
    // Only the service thread: a JVM was created (its exit code goes to the debug log).
    bool jvmCreated_ = false;
    // The output relay, made on the service thread; drained from any thread that reports
    // stopped. Destroyed first, when every thread of the run is done with it.
    std::atomic<OutputRelay*> output_{nullptr};
    std::unique_ptr<OutputRelay> outputRelay_;
};

void JNICALL serviceExitHook(jint code) {
    if (ServiceRun* run = gRun.load()) {
        run->exitCalled(code);
    }
}

void JNICALL serviceAbortHook() {
    if (ServiceRun* run = gRun.load()) {
        run->abortCalled();
    }
}

void ServiceRun::logMoment(const std::string& what) {
    state_->log.print("Service:\t%s %s\n", what.c_str(), dateTimeText(ctx_.os.localTime()).c_str());
}

void ServiceRun::endNow(const std::string& line, const ServiceEvent& kind, const std::string& event,
                        std::uint32_t serviceExitCode, std::uint32_t processCode) {
    if (processEnded_.exchange(true)) {
        return;
    }
    logMoment(line);
    if (!event.empty()) {
        ctx_.os.reportEvent(settings_->name.c_str(), kind, event.c_str());
    }
    drainOutput();
    (void)reporter_.stopped(serviceExitCode);
    ctx_.os.endProcess(processCode);
}

void ServiceRun::startOutput() {
    const std::string program = runningProgramPath(ctx_);
    const std::size_t slash = program.rfind('\\');
    const std::string folder = serviceLogFolder(
        std::string_view(program).substr(0, slash == std::string::npos ? 0 : slash),
        settings_->logFolder.view());
    auto log = std::make_unique<OutputLog>(ctx_.os, folder, settings_->name.c_str(),
                                           settings_->logFileBytes, settings_->logFilesKept);
    auto warn = [this](const std::string& text) {
        state_->log.print("Service:\t%s\n", text.c_str());
        ctx_.os.reportEvent(settings_->name.c_str(), kEventOutputLogNotOpened, text.c_str());
    };
    if (!log->open()) {
        warn("The output log in " + folder +
             " cannot be opened: " + systemTextOf(ctx_.os, ctx_.os.lastError()));
    }
    std::unique_ptr<OutputPipe> pipe = ctx_.os.redirectStandardOutput(kOutputPipeBytes);
    if (!pipe) {
        warn("Standard output cannot be led into the output log: " +
             systemTextOf(ctx_.os, ctx_.os.lastError()));
        return;
    }
    outputRelay_ =
        std::make_unique<OutputRelay>(std::move(pipe), std::move(log),
                                      outputStartLine(settings_->name.view(), ctx_.os.localTime()));
    output_.store(outputRelay_.get());
}

void ServiceRun::drainOutput() {
    if (OutputRelay* relay = output_.load()) {
        relay->drain();
    }
}

void ServiceRun::exitCalled(jint code) {
    exitCode_.store(code);
    exitCalled_.store(true);
    if (!processEnded_.load()) {
        state_->log.print("Exit code:\t%d\n", static_cast<int>(code));
    }
    endNow(formatText("stopped by System.exit(%d) at", static_cast<int>(code)), kEventServiceError,
           {}, static_cast<std::uint32_t>(code), static_cast<std::uint32_t>(code));
}

void ServiceRun::abortCalled() {
    endNow(
        formatText("the JVM aborted (service exit code %u) at", kServiceExitJvmAbort),
        kEventJvmAborted,
        formatText("The JVM aborted; the service stops with exit code %u.", kServiceExitJvmAbort),
        kServiceExitJvmAbort, kServiceExitJvmAbort);
}

void ServiceRun::waitUntilDone() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return done_; });
}

void ServiceRun::watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!ended_) {
        changed_.wait_for(lock, interval_);
        if (ended_) {
            break;
        }
        const Clock::time_point now = Clock::now();
        if (!mainCalled_ && !stopRequested_ && now >= startDeadline_) {
            stopRequested_ = true;  // what follows the end of the process starts nothing
            lock.unlock();
            const unsigned seconds = settings_->startDeadlineMs / kMillisecondsPerSecond;
            endNow(formatText("the start deadline (%u s) passed at", seconds),
                   kEventStartDeadlinePassed,
                   formatText("The Java service was not started within the start deadline "
                              "(%u s); its process was ended.",
                              seconds),
                   kServiceExitStartDeadline, kServiceExitStartDeadline);
            return;
        }
        if (stopDeadline_ && now >= *stopDeadline_) {
            lock.unlock();
            endNow("the stop timeout passed at", kEventStopTimedOut,
                   "The Java service did not end within the stop timeout; its process was ended.",
                   0, kErrorServiceSpecific);
            return;
        }
        lock.unlock();
        reporter_.advance();
        lock.lock();
    }
}

std::uint32_t ServiceRun::failStart(const Step& stop, std::uint32_t exitCode) {
    composeErrorReport(ctx_, stop);
    ctx_.os.reportEvent(settings_->name.c_str(), kEventStartFailed, state_->errorMessage.c_str());
    return exitCode;
}

// The exception pending in `env`, cleared: its text (its toString()); empty when none is pending.
std::string takeException(JNIEnv* env) {
    jthrowable thrown = env->ExceptionOccurred();
    if (thrown == nullptr) {
        return {};
    }
    env->ExceptionClear();
    std::string text = throwableText(env, thrown);
    return text.empty() ? std::string(kExceptionWithoutText) : text;
}

// System.exit(0); an exception it leaves is described.
void callSystemExit(JNIEnv* env) {
    jclass system = env->FindClass(kSystemClass);
    if (describePendingException(env) || system == nullptr) {
        return;
    }
    jmethodID exit = env->GetStaticMethodID(system, kExitMethod, kExitSignature);
    if (describePendingException(env) || exit == nullptr) {
        return;
    }
    env->CallStaticVoidMethod(system, exit, kStopExitCode);
    (void)describePendingException(env);
}

// A global reference to the calling thread's java.lang.Thread, or null (no exception left).
jobject keepCurrentThread(JNIEnv* env) {
    jclass threadClass = env->FindClass(kThreadClass);
    jmethodID current =
        threadClass == nullptr
            ? nullptr
            : env->GetStaticMethodID(threadClass, kCurrentThreadMethod, kCurrentThreadSignature);
    jobject thread =
        current == nullptr ? nullptr : env->CallStaticObjectMethod(threadClass, current);
    jobject kept = thread == nullptr ? nullptr : env->NewGlobalRef(thread);
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
    }
    return kept;
}

// The class `dotted` ("package.Class") as the context class loader of `mainThread` loads it
// (Class.forName with that loader): a fat-jar launcher's main makes its own loader the context
// loader, and the system class loader, which FindClass uses on an attached thread, does not see
// the application's classes. Without a thread or a context loader, FindClass. Null with an
// exception pending when the class is not found.
jclass stopClass(JNIEnv* env, jobject mainThread, const std::string& dotted) {
    std::string slashed = dotted;
    std::replace(slashed.begin(), slashed.end(), '.', '/');
    if (mainThread == nullptr) {
        return env->FindClass(slashed.c_str());
    }
    jclass threadClass = env->FindClass(kThreadClass);
    jmethodID getLoader =
        threadClass == nullptr
            ? nullptr
            : env->GetMethodID(threadClass, kContextLoaderMethod, kContextLoaderSignature);
    jobject loader = getLoader == nullptr ? nullptr : env->CallObjectMethod(mainThread, getLoader);
    if (env->ExceptionCheck()) {
        env->ExceptionClear();
        loader = nullptr;
    }
    if (loader == nullptr) {
        return env->FindClass(slashed.c_str());
    }
    jclass classClass = env->FindClass(kClassClass);
    jmethodID forName = classClass == nullptr
                            ? nullptr
                            : env->GetStaticMethodID(classClass, kForNameMethod, kForNameSignature);
    jstring name = forName == nullptr ? nullptr : env->NewStringUTF(dotted.c_str());
    if (name == nullptr) {
        return nullptr;
    }
    return static_cast<jclass>(
        env->CallStaticObjectMethod(classClass, forName, name, JNI_TRUE, loader));
}

// The configured stop method "package.Class.method", called with an empty String[]: empty when it
// was found and returned, otherwise the text of what went wrong (the exception it left).
std::string callConfiguredStop(JNIEnv* env, jobject mainThread, std::string_view method) {
    const std::size_t dot = method.rfind('.');
    const std::string className(method.substr(0, dot == std::string_view::npos ? 0 : dot));
    const std::string methodName(method.substr(dot == std::string_view::npos ? 0 : dot + 1));
    jclass target = stopClass(env, mainThread, className);
    if (target == nullptr) {
        const std::string text = takeException(env);
        return text.empty() ? "class " + className + " not found" : text;
    }
    jmethodID stop = env->GetStaticMethodID(target, methodName.c_str(), kStopSignature);
    if (stop == nullptr) {
        const std::string text = takeException(env);
        return text.empty() ? "method " + methodName + " not found" : text;
    }
    jclass stringClass = env->FindClass(kStringClass);
    jobjectArray none =
        stringClass == nullptr ? nullptr : env->NewObjectArray(0, stringClass, nullptr);
    if (none == nullptr) {
        const std::string text = takeException(env);
        return text.empty() ? std::string(kExceptionWithoutText) : text;
    }
    env->CallStaticVoidMethod(target, stop, none);
    return takeException(env);
}

void ServiceRun::callStopMethod(JavaVM* vm) {
    void* attached = nullptr;
    if (vm->AttachCurrentThread(&attached, nullptr) != JNI_OK) {
        return;  // the JVM is gone already
    }
    auto* env = static_cast<JNIEnv*>(attached);
    const std::string_view method = settings_->stopMethod.view();
    if (method.empty()) {
        callSystemExit(env);
    } else if (const std::string failure = callConfiguredStop(env, mainThread_.load(), method);
               !failure.empty()) {
        // The stop goes on: a stop method that cannot be called is no reason to keep running.
        const std::string text = "The stop method " + std::string(method) + " failed: " + failure +
                                 "; the service stops with System.exit(0).";
        state_->log.print("Service:\t%s\n", text.c_str());
        ctx_.os.reportEvent(settings_->name.c_str(), kEventStopMethodFailed, text.c_str());
        callSystemExit(env);
    }
    (void)vm->DetachCurrentThread();
}

std::uint32_t ServiceRun::control(ServiceControl control) {
    switch (control) {
        case ServiceControl::Interrogate:
            return kErrorSuccess;
        case ServiceControl::Stop:
        case ServiceControl::Shutdown:
        case ServiceControl::Preshutdown:
            break;
        case ServiceControl::Other:
            return kErrorCallNotImplemented;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopRequested_ || ended_) {
        return kErrorSuccess;
    }
    stopRequested_ = true;
    logMoment(formatText("stop requested (%s) at", controlName(control)));
    stopDeadline_ = Clock::now() + std::chrono::milliseconds(settings_->stopTimeoutMs);
    reporter_.pending(ServiceState::StopPending, settings_->stopTimeoutMs);
    if (runningVm_ != nullptr) {
        stopThread_ = std::thread([this, vm = runningVm_] { callStopMethod(vm); });
    }
    changed_.notify_all();
    return kErrorSuccess;
}

std::uint32_t ServiceRun::startAndRun() {
    LauncherState& st = *state_;
    st.debugLogOptional = true;
    st.mode = RunMode::Service;
    StartPlan plan;
    Step prepared = planStart(ctx_, line_, Restarts::Never, plan);
    logMoment("started at");
    startOutput();
    if (!st.debugLogFailure.empty()) {
        const std::string text =
            "The debug log cannot be opened; the service runs without it. " + st.debugLogFailure;
        ctx_.os.reportEvent(settings_->name.c_str(), kEventDebugLogNotOpened, text.c_str());
    }
    if (prepared.kind() == Step::Kind::AnotherInstance) {
        Result<bool> read = loadString(ctx_, cfg::kMsgInstanceRunning, st.errorMessage);
        return failStart(read.step, kServiceExitAnotherInstance);
    }
    if (!prepared.goesOn()) {
        return failStart(prepared, kServiceExitPreparationFailed);
    }
    // A change of permissions after the install cannot be used either.
    if (Step unsafe = refuseChangeableInstallation(ctx_, runningProgramPath(ctx_), true);
        !unsafe.goesOn()) {
        return failStart(unsafe, kServiceExitPreparationFailed);
    }
    if (Step temp = useServiceTempFolder(ctx_, settings_->name.view()); !temp.goesOn()) {
        return failStart(temp, kServiceExitPreparationFailed);
    }
    auto jvm = makeWithTexts<JvmStart>();
    planJvmPass(st, *jvm);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopRequested_) {
            st.log.print("Service:\t%s\n", "stopped before the JVM was created");
            return 0;
        }
    }
    jvm->exitHook = serviceExitHook;
    jvm->abortHook = serviceAbortHook;
    jvm->reduceSignals = true;
    JNIEnv* env = createJvm(ctx_, *jvm);
    if (env == nullptr) {
        return failStart(jvmNotCreated(ctx_, *jvm), kServiceExitNoJvm);
    }
    jvmCreated_ = true;
    // Before a stop can reach the JVM: the thread that will run main.
    mainThread_.store(keepCurrentThread(env));
    bool stopFirst = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopFirst = stopRequested_;
        mainCalled_ = !stopFirst;
        runningVm_ = stopFirst ? nullptr : jvm->vm;
    }
    std::uint32_t exitCode = 0;
    if (stopFirst) {
        st.log.print("Service:\t%s\n", "stopped before main was called");
    } else {
        reporter_.running();
        const int mainResult = runMainClass(*jvm, env);
        exitCode = static_cast<std::uint32_t>(mainResult);
        jthrowable thrown = mainResult == 0 ? env->ExceptionOccurred() : nullptr;
        if (thrown != nullptr) {
            env->ExceptionDescribe();  // the throwable stays for its text below
            st.log.print("Exception:\t%s\n", throwableText(env, thrown).c_str());
            st.log.print("Service:\tmain ended with an uncaught exception (service exit code %u)\n",
                         kServiceExitUncaughtException);
            exitCode = kServiceExitUncaughtException;
        }
    }
    // DestroyJavaVM waits for the Java service's non-daemon threads (and for an attached stop
    // thread); a stop reaches the JVM until it returns.
    destroyJvm(*jvm);
    std::thread stopThread;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        runningVm_ = nullptr;
        stopThread = std::move(stopThread_);
    }
    if (stopThread.joinable()) {
        stopThread.join();
    }
    jvm->freeOptions();
    if (exitCalled_.load()) {
        exitCode = static_cast<std::uint32_t>(exitCode_.load());
    }
    return exitCode;
}

void ServiceRun::serviceMain() {
    Os& os = ctx_.os;
    if (!os.registerServiceControlHandler(settings_->name.c_str())) {
        // Without a handle no status can be reported: the event log names the cause.
        const std::string text = "The service control handler could not be registered: " +
                                 systemTextOf(os, os.lastError());
        os.reportErrorEvent(settings_->name.c_str(), text.c_str());
    } else {
        reporter_.pending(ServiceState::StartPending, kStartWaitHintMs);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            startDeadline_ = Clock::now() + std::chrono::milliseconds(settings_->startDeadlineMs);
        }
        std::thread watcher([this] { watch(); });
        const std::uint32_t exitCode = startAndRun();
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ended_ = true;
            changed_.notify_all();
        }
        watcher.join();
        if (!processEnded_.load()) {
            if (jvmCreated_) {
                state_->log.print("Exit code:\t%d\n", static_cast<int>(exitCode));
            }
            logMoment("stopped at");
        }
        closeDebugLog(ctx_);
        drainOutput();
        (void)reporter_.stopped(exitCode);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
    changed_.notify_all();
}

}  // namespace

int runService(Os& os, const CommandLine& line, std::chrono::milliseconds interval) {
    auto run = std::make_unique<ServiceRun>(os, line, interval);
    Context& ctx = run->context();
    Step read = initGlobals(ctx);
    if (read.goesOn()) {
        read = loadServiceSettings(ctx, run->settings());
    }
    gRun.store(run.get());
    const bool dispatched =
        read.goesOn() && os.runServiceDispatcher(run->settings().name.c_str(), *run);
    if (dispatched) {
        run->waitUntilDone();
    }
    gRun.store(nullptr);
    if (!dispatched) {
        if (read.goesOn()) {
            read = stopWithLastError(ctx);
        }
        const std::string text = read.kind() == Step::Kind::WindowsError
                                     ? systemTextOf(os, read.errorCode())
                                     : read.text();
        os.writeStdout(std::string(kServiceWord) + ": " + text + "\n");
        return kExitNotAService;
    }
    return 0;
}

}  // namespace qv
