// The events the service writes to the Application log, one ID per kind. Each ID is a message of
// the program's message table (windows/service_events.mc), which the install registers as the
// event source's EventMessageFile: the Event Viewer shows the message with the event's one text
// as its insert %1. The IDs and kinds here and the messages there change together (a unit test
// compares them).
#ifndef QV_LAUNCHER_SERVICE_EVENTS_H
#define QV_LAUNCHER_SERVICE_EVENTS_H

#include <cstdint>

namespace qv {

// The kinds of event (EVENTLOG_ERROR_TYPE, EVENTLOG_WARNING_TYPE).
enum class EventType { Error, Warning };

// One message of the table: the event ID and the kind it is reported with.
struct ServiceEvent {
    std::uint32_t id = 0;
    EventType type = EventType::Error;
};

// "%1": the text alone, for an error of no kind of its own.
inline constexpr ServiceEvent kEventServiceError{1, EventType::Error};
// The start stopped before the JVM ran main; %1 is the error report's message.
inline constexpr ServiceEvent kEventStartFailed{2, EventType::Error};
// The Java service did not end within the stop timeout and its process was ended.
inline constexpr ServiceEvent kEventStopTimedOut{3, EventType::Error};
// The start had not called main when the start deadline passed; the process was ended.
inline constexpr ServiceEvent kEventStartDeadlinePassed{4, EventType::Error};
// The JVM called its abort hook; the service reported a failure.
inline constexpr ServiceEvent kEventJvmAborted{5, EventType::Error};
// The configured stop method could not be found or threw; %1 names the exception. The stop went
// on with System.exit(0).
inline constexpr ServiceEvent kEventStopMethodFailed{6, EventType::Warning};
// The debug log could not be opened; the service started without it.
inline constexpr ServiceEvent kEventDebugLogNotOpened{7, EventType::Warning};
// The output log could not be opened, or standard output not led into it; the service runs.
inline constexpr ServiceEvent kEventOutputLogNotOpened{8, EventType::Warning};

// Every event, for the comparison with the message table.
struct NamedServiceEvent {
    ServiceEvent event;
    const char* symbolicName;  // the message's SymbolicName
};
inline constexpr NamedServiceEvent kServiceEvents[] = {
    {kEventServiceError, "QV_EVENT_SERVICE_ERROR"},
    {kEventStartFailed, "QV_EVENT_START_FAILED"},
    {kEventStopTimedOut, "QV_EVENT_STOP_TIMED_OUT"},
    {kEventStartDeadlinePassed, "QV_EVENT_START_DEADLINE_PASSED"},
    {kEventJvmAborted, "QV_EVENT_JVM_ABORTED"},
    {kEventStopMethodFailed, "QV_EVENT_STOP_METHOD_FAILED"},
    {kEventDebugLogNotOpened, "QV_EVENT_DEBUG_LOG_NOT_OPENED"},
    {kEventOutputLogNotOpened, "QV_EVENT_OUTPUT_LOG_NOT_OPENED"},
};

}  // namespace qv

#endif  // QV_LAUNCHER_SERVICE_EVENTS_H
