#include "service_run.h"

#include "access_review.h"
#include "config.h"
#include "diagnostics.h"
#include "jvm_start.h"
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
// The run of this process, for the JVM's exit hook, which carries no context.
std::atomic<ServiceRun*> gRun{nullptr};

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

    // System.exit(code) in the JVM, on whichever thread called it: the process ends after this.
    void exitCalled(jint code) {
        exitCode_.store(code);
        exitCalled_.store(true);
        (void)reporter_.stopped(static_cast<std::uint32_t>(code));
    }

  private:
    // Advances the checkpoint of a pending state, and ends the process when a requested stop
    // has not ended the JVM by its deadline.
    void watch();
    void finish(std::uint32_t exitCode);
    void failStart(const Step& stop, std::uint32_t exitCode);
    // On its own thread: attaches to the JVM and calls the stop method.
    void callStopMethod(JavaVM* vm);

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
    std::optional<Clock::time_point> stopDeadline_;
    JavaVM* runningVm_ = nullptr;
    std::thread stopThread_;
    std::atomic<bool> exitCalled_{false};
    std::atomic<jint> exitCode_{0};
};

void JNICALL serviceExitHook(jint code) {
    if (ServiceRun* run = gRun.load()) {
        run->exitCalled(code);
    }
}

void ServiceRun::watch() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!ended_) {
        changed_.wait_for(lock, interval_);
        if (ended_) {
            break;
        }
        if (stopDeadline_ && Clock::now() >= *stopDeadline_) {
            lock.unlock();
            ctx_.os.reportEvent(
                settings_->name.c_str(), kEventStopTimedOut,
                "The Java service did not end within the stop timeout; its process was ended.");
            (void)reporter_.stopped(0);
            ctx_.os.endProcess(kErrorServiceSpecific);
            lock.lock();
            ended_ = true;
            break;
        }
        lock.unlock();
        reporter_.advance();
        lock.lock();
    }
}

void ServiceRun::finish(std::uint32_t exitCode) {
    (void)reporter_.stopped(exitCode);
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    changed_.notify_all();
}

void ServiceRun::failStart(const Step& stop, std::uint32_t exitCode) {
    composeErrorReport(ctx_, stop);
    ctx_.os.reportEvent(settings_->name.c_str(), kEventStartFailed, state_->errorMessage.c_str());
    closeDebugLog(ctx_);
    finish(exitCode);
}

// The stop method "package.Class.method", or System.exit(0) when none is set; an exception it
// leaves is described.
void callStop(JNIEnv* env, std::string_view method) {
    if (method.empty()) {
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
        return;
    }
    const std::size_t dot = method.rfind('.');
    std::string className(method.substr(0, dot == std::string_view::npos ? 0 : dot));
    const std::string methodName(method.substr(dot == std::string_view::npos ? 0 : dot + 1));
    std::replace(className.begin(), className.end(), '.', '/');
    jclass target = env->FindClass(className.c_str());
    if (describePendingException(env) || target == nullptr) {
        return;
    }
    jmethodID stop = env->GetStaticMethodID(target, methodName.c_str(), kStopSignature);
    if (describePendingException(env) || stop == nullptr) {
        return;
    }
    jclass stringClass = env->FindClass(kStringClass);
    if (describePendingException(env) || stringClass == nullptr) {
        return;
    }
    jobjectArray none = env->NewObjectArray(0, stringClass, nullptr);
    if (describePendingException(env) || none == nullptr) {
        return;
    }
    env->CallStaticVoidMethod(target, stop, none);
    (void)describePendingException(env);
}

void ServiceRun::callStopMethod(JavaVM* vm) {
    void* attached = nullptr;
    if (vm->AttachCurrentThread(&attached, nullptr) != JNI_OK) {
        return;
    }
    callStop(static_cast<JNIEnv*>(attached), settings_->stopMethod.view());
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
    stopDeadline_ = Clock::now() + std::chrono::milliseconds(settings_->stopTimeoutMs);
    reporter_.pending(ServiceState::StopPending, settings_->stopTimeoutMs);
    if (runningVm_ != nullptr) {
        stopThread_ = std::thread([this, vm = runningVm_] { callStopMethod(vm); });
    }
    changed_.notify_all();
    return kErrorSuccess;
}

void ServiceRun::serviceMain() {
    Os& os = ctx_.os;
    if (!os.registerServiceControlHandler(settings_->name.c_str())) {
        // Without a handle no status can be reported: the event log names the cause.
        const std::string text = "The service control handler could not be registered: " +
                                 systemTextOf(os, os.lastError());
        os.reportErrorEvent(settings_->name.c_str(), text.c_str());
        return;
    }
    reporter_.pending(ServiceState::StartPending, kStartWaitHintMs);
    std::thread watcher([this] { watch(); });

    LauncherState& st = *state_;
    st.mode = RunMode::Service;
    StartPlan plan;
    Step prepared = planStart(ctx_, line_, Restarts::Never, plan);
    if (prepared.kind() == Step::Kind::AnotherInstance) {
        Result<bool> read = loadString(ctx_, cfg::kMsgInstanceRunning, st.errorMessage);
        failStart(read.step, kServiceExitAnotherInstance);
    } else if (!prepared.goesOn()) {
        failStart(prepared, kServiceExitPreparationFailed);
    } else if (Step unsafe = refuseChangeableInstallation(ctx_, runningProgramPath(ctx_), true);
               !unsafe.goesOn()) {
        // A change of permissions after the install cannot be used either.
        failStart(unsafe, kServiceExitPreparationFailed);
    } else if (Step temp = useServiceTempFolder(ctx_, settings_->name.view()); !temp.goesOn()) {
        failStart(temp, kServiceExitPreparationFailed);
    } else {
        auto jvm = makeWithTexts<JvmStart>();
        planJvmPass(st, *jvm);
        bool stopFirst = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopFirst = stopRequested_;
        }
        if (stopFirst) {
            st.log.print("Service:\t%s\n", "stopped before the JVM was created");
            closeDebugLog(ctx_);
            finish(0);
        } else {
            jvm->exitHook = serviceExitHook;
            JNIEnv* env = createJvm(ctx_, *jvm);
            if (env == nullptr) {
                failStart(jvmNotCreated(ctx_, *jvm), kServiceExitNoJvm);
            } else {
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    stopFirst = stopRequested_;
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
                        st.log.print(
                            "Service:\tmain ended with an uncaught exception (service "
                            "exit code %u)\n",
                            kServiceExitUncaughtException);
                        exitCode = kServiceExitUncaughtException;
                    }
                }
                {
                    // The stop thread may still call into the JVM: it ends before the JVM goes.
                    std::lock_guard<std::mutex> lock(mutex_);
                    runningVm_ = nullptr;
                }
                if (stopThread_.joinable()) {
                    stopThread_.join();
                }
                destroyJvm(*jvm);
                jvm->freeOptions();
                if (exitCalled_.load()) {
                    exitCode = static_cast<std::uint32_t>(exitCode_.load());
                }
                st.log.print("Exit code:\t%d\n", static_cast<int>(exitCode));
                closeDebugLog(ctx_);
                finish(exitCode);
            }
        }
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
        changed_.notify_all();
    }
    watcher.join();
    if (stopThread_.joinable()) {
        stopThread_.join();
    }
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
