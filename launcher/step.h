// How a step of the launcher ends: it goes on, or it stops the start for one of three reasons.
// Every step of the preparation gives a Step; the run reports the one that stopped it.
#ifndef QV_LAUNCHER_STEP_H
#define QV_LAUNCHER_STEP_H

#include <cstdint>
#include <string>
#include <utility>

namespace qv {

class [[nodiscard]] Step {
  public:
    enum class Kind {
        GoOn,             // the next step follows
        WindowsError,     // stop: a Windows call failed, with the last-error code it left
        TextTooLong,      // stop: a text did not fit its capacity, or another reason of the
                          // launcher's own (stopWithReason); the text names it
        AnotherInstance,  // stop: another instance holds the mutex
    };

    static Step goOn() { return Step(Kind::GoOn, 0, {}); }
    // `code` is the thread's last error, captured where the call failed (0: no system text).
    static Step windowsError(std::uint32_t code) { return Step(Kind::WindowsError, code, {}); }
    static Step textTooLong(std::string what) {
        return Step(Kind::TextTooLong, 0, std::move(what));
    }
    static Step anotherInstance() { return Step(Kind::AnotherInstance, 0, {}); }

    Kind kind() const { return kind_; }
    bool goesOn() const { return kind_ == Kind::GoOn; }
    // The last-error code the report shows: the captured one, 0 for every other kind.
    std::uint32_t errorCode() const { return code_; }
    // What did not fit (TextTooLong), empty otherwise.
    const std::string& text() const { return text_; }
    // The file the failure concerns, which the system text names where it has an insert ("%1 is
    // not a valid Win32 application."); empty when none is known.
    const std::string& subject() const { return subject_; }
    // The same step, concerning `subject`.
    Step about(std::string subject) && {
        subject_ = std::move(subject);
        return std::move(*this);
    }

    // Keeps the first stop: takes `later` only while this step still goes on.
    void keepFirst(Step later) {
        if (goesOn()) {
            *this = std::move(later);
        }
    }

  private:
    Step(Kind kind, std::uint32_t code, std::string text)
        : kind_(kind), code_(code), text_(std::move(text)) {}

    Kind kind_;
    std::uint32_t code_;
    std::string text_;
    std::string subject_;
};

// A value together with how the step that produced it ends.
template <typename T>
struct [[nodiscard]] Result {
    T value;
    Step step;
};

}  // namespace qv

#endif  // QV_LAUNCHER_STEP_H
