/*
 * Control interface of the devicesdk5 simulator: a stand-in for the vendor's SDK, for tests, the
 * demo and benchmarks. It is exported by the simulator library beside the 23 dsdk_ operations
 * and is not part of the vendor's SDK.
 *
 * Without any script the simulator behaves as a set of simulated terminals (see simulator.md).
 * A script overrides what one operation does on all its later calls, until sim_reset: the status
 * it returns, the count it writes back, the bytes it writes into out-records and out-texts, the
 * scalar out-values, or that it writes no output at all. Every call is recorded: how often each
 * operation ran, and for the last call its scalar arguments and copies of the bytes it was given
 * (records, texts, template data) taken during the call.
 *
 * All functions are safe to call from several threads; the recorded last call of an operation is
 * whichever call finished last.
 */
#ifndef DEVICESDK5_SIM_H
#define DEVICESDK5_SIM_H

#include <stddef.h>
#include <stdint.h>

#include "devicesdk5.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum sim_op {
    SIM_CREATE,
    SIM_RELEASE,
    SIM_ADD_DEVICE,
    SIM_REMOVE_DEVICE,
    SIM_CONNECT,
    SIM_DISCONNECT,
    SIM_IS_CONNECTED,
    SIM_INIT_DEVICE,
    SIM_SEARCH_DEVICES,
    SIM_GET_FIRMWARE_VERSION,
    SIM_GET_SERIAL,
    SIM_GET_NETWORK_CONFIG,
    SIM_GET_NETWORK_CONFIG_FULL,
    SIM_SCAN_BIOMETRIC,
    SIM_FREE_BIOMETRIC,
    SIM_SCAN_CARD,
    SIM_ADD_USER,
    SIM_REMOVE_USER,
    SIM_SET_TIME,
    SIM_GET_SYSTEM_PARAMETERS,
    SIM_SET_SYSTEM_PARAMETERS,
    SIM_GET_LOGS,
    SIM_GET_LOG_CACHE,
    SIM_OP_COUNT
} sim_op;

/* Forgets every script and recorded call, frees what scans allocated and is still outstanding,
 * and puts the simulated terminals back into their first state: the scenario file is read again
 * (call counts, device tables and event log clocks start anew). */
DSDK_API void DSDK_CALL sim_reset(void);

/* Names the scenario file read from now on in place of the environment variable
 * DEVICESDK5_SIM_SCENARIO: a path, "" for the default terminals, or null to go back to the
 * variable. Then does what sim_reset does, which reads the file. Returns 0 when the terminals can
 * be used, -8 when the file cannot (every operation then fails with -8; the line on the standard
 * error stream and sim_scenario_fault say why). */
DSDK_API int32_t DSDK_CALL sim_use_scenario(const char* path);

/* Why the scenario file read last cannot be used: the line the simulator wrote for it, without
 * its line end, copied into buffer (cut to size - 1 bytes and NUL-terminated; nothing is written
 * when buffer is null or size 0). Returns the line's full length, 0 when the terminals can be
 * used. */
DSDK_API size_t DSDK_CALL sim_scenario_fault(char* buffer, size_t size);

/* --- Scripts: apply to every later call of op until sim_reset. --- */

/* Status that op returns (for SIM_CREATE: the handle value it returns). */
DSDK_API void DSDK_CALL sim_set_status(sim_op op, int32_t status);
/* Count that op writes back (search, scan, parameter read, log reads), whatever the room; the
 * simulator still never writes record bytes beyond the room it was given. */
DSDK_API void DSDK_CALL sim_set_count(sim_op op, int32_t count);
/* Raw bytes that op writes at the start of its out-record buffer, cut to the room it was given
 * (search: count x 284, parameter read: 8192, logs: capacity x 32). */
DSDK_API void DSDK_CALL sim_set_records(sim_op op, const void* bytes, size_t size);
/* Raw bytes that op writes into its out-text number index (0 to 3, in argument order), cut to
 * that buffer's size; no NUL is added, so a test can leave a text unterminated. */
DSDK_API void DSDK_CALL sim_set_text(sim_op op, int index, const void* bytes, size_t size);
/* Scalar out-value number index (0 or 1, in argument order) that op writes: serial, card, the
 * connected flag, the 16-bit network value. */
DSDK_API void DSDK_CALL sim_set_value(sim_op op, int index, int64_t value);
/* op writes no output at all: no count, no records, no texts, no scalar out-values. */
DSDK_API void DSDK_CALL sim_set_untouched(sim_op op);
/* Appends one template to what dsdk_scan_biometric fills: data_size bytes that the simulator
 * allocates and copies, and the scan_value. With templates scripted, the scan fills them into
 * records 0 to n-1 (at most its capacity) and reports n, unless a count is scripted too. */
DSDK_API void DSDK_CALL sim_add_scan_template(uint32_t scan_value, const void* data,
                                              int32_t data_size);
/* Pauses every later call of op for the given microseconds before it returns (concurrency). */
DSDK_API void DSDK_CALL sim_set_delay_us(sim_op op, int32_t microseconds);

/* --- Records of calls. --- */

/* How often op was called since sim_reset. */
DSDK_API int32_t DSDK_CALL sim_calls(sim_op op);

/* Scalar argument number index of the last call of op, in argument order, counting from the
 * first argument (index 0 is the handle, or for dsdk_release the value its pointer pointed at,
 * or for dsdk_free_biometric the record pointer). Pointers are given as their address, 0 for
 * null. 16-bit arguments are given as received (zero-extended). */
DSDK_API int64_t DSDK_CALL sim_last_arg(sim_op op, int index);

/* Bytes the last call of op was given, copied during the call. Blob numbers:
 *   SIM_CONNECT: 0 the connection text including its NUL (absent when the pointer was null);
 *   SIM_ADD_USER: 0 the user record (152 bytes), 1 the template records (count x record size),
 *                 2 + i the data bytes of template i;
 *   SIM_REMOVE_USER: 0 the user record; SIM_SET_TIME: 0 the time record (8 bytes);
 *   SIM_SET_SYSTEM_PARAMETERS: 0 the parameter records (count x 8);
 *   SIM_GET_LOG_CACHE: 0 the 32-byte block;
 *   SIM_FREE_BIOMETRIC: 0 the record array as it was handed back (capacity x record size).
 * Returns a pointer that stays valid until the next call of op or sim_reset, and its size in
 * *size; null (size 0) when the blob is absent. */
DSDK_API const uint8_t* DSDK_CALL sim_last_blob(sim_op op, int index, size_t* size);

/* Templates that dsdk_scan_biometric allocated and dsdk_free_biometric has not given back. */
DSDK_API int32_t DSDK_CALL sim_outstanding_templates(void);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* DEVICESDK5_SIM_H */
