/*
 * devicesdk5: the terminal vendor's device SDK, as palmbridge sees it.
 *
 * Every operation uses the C calling convention, takes 32-bit argument slots and returns the SDK
 * status (signed 32-bit, 0 = success) unless noted. All records are little-endian with natural
 * alignment; on the 32-bit targets their sizes and offsets are checked below at compile time.
 *
 * Contract points the bridge relies on:
 *  - dsdk_create before any other call on a handle, dsdk_release after the last one;
 *  - counts written back never exceed the room that was given, and every text written back is
 *    NUL-terminated inside its buffer;
 *  - the SDK keeps no pointer to a caller's buffer after it returns;
 *  - a scalar out-value that the SDK does not write keeps what the caller put there.
 *
 * Template memory: dsdk_scan_biometric attaches template data that the SDK allocates to the
 * records it fills. dsdk_free_biometric(records, capacity) gives back that template data and
 * nothing else: the record array belongs to the caller, who releases it after the call.
 */
#ifndef DEVICESDK5_H
#define DEVICESDK5_H

#include <stdint.h>

#if defined(_WIN32)
#define DSDK_CALL __cdecl
#else
#define DSDK_CALL
#endif

#if defined(DSDK_BUILDING_SDK)
#if defined(_WIN32)
#define DSDK_API __declspec(dllexport)
#else
#define DSDK_API __attribute__((visibility("default")))
#endif
#else
#define DSDK_API
#endif

#ifdef __cplusplus
#define DSDK_ALIGN8 alignas(8)
extern "C" {
#else
#define DSDK_ALIGN8 _Alignas(8)
#endif

/* The SDK instance value: opaque, 32 bits wide. */
typedef uint32_t dsdk_handle;

enum {
    DSDK_DEVICE_TEXT1_SIZE = 255,
    DSDK_DEVICE_TEXT2_SIZE = 17,
    DSDK_FIRMWARE_VERSION_SIZE = 255,
    DSDK_NETWORK_TEXT_SIZE = 16,
    DSDK_USER_NAME_SIZE = 64,
    DSDK_PARAMETER_READ_ROOM = 1024 /* records dsdk_get_system_parameters may write */
};

/* One terminal found by dsdk_search_devices: 284 bytes. */
typedef struct dsdk_device {
    int32_t type; /* device type code */
    int32_t int1;
    char text1[DSDK_DEVICE_TEXT1_SIZE]; /* NUL-terminated within the field */
    char text2[DSDK_DEVICE_TEXT2_SIZE]; /* NUL-terminated within the field */
    int16_t short1;
    uint8_t reserved[2];
} dsdk_device;

/* One biometric template: 24 bytes on the 32-bit targets. */
typedef struct dsdk_template {
    int32_t data_size;   /* bytes at data */
    uint8_t* data;       /* after a scan the bytes belong to the SDK */
    int32_t finger_id;   /* set by enrolment */
    int32_t format;      /* set by enrolment */
    int32_t id;          /* set by enrolment */
    uint32_t scan_value; /* reported by a scan with each template */
} dsdk_template;

/* One user for dsdk_add_user and dsdk_remove_user: 152 bytes. */
typedef struct dsdk_user {
    int32_t uid;
    int32_t card;
    int32_t pin;
    char name[DSDK_USER_NAME_SIZE];    /* NUL-terminated only when shorter than the field */
    char surname[DSDK_USER_NAME_SIZE]; /* likewise */
    int32_t schedule;
    int32_t template_count;
    int32_t locked;
} dsdk_user;

/* A terminal clock setting: 8 bytes. */
typedef struct dsdk_time {
    uint16_t year;
    uint8_t month;
    uint8_t day;
    uint8_t hour;
    uint8_t minute;
    uint8_t second;
    uint8_t spare;
} dsdk_time;

/* One system parameter: 8 bytes. */
typedef struct dsdk_parameter {
    int32_t id;
    int32_t value;
} dsdk_parameter;

/* One event log record: 32 bytes, 8-byte aligned on every compiler. */
typedef struct dsdk_log_record {
    int32_t int1;
    int32_t int2;
    uint16_t short1;
    uint16_t short2;
    uint8_t byte1;
    uint8_t byte2;
    uint8_t byte3;
    uint8_t byte4;
    uint8_t byte5;
    uint8_t gap[7];
    DSDK_ALIGN8 double double1;
} dsdk_log_record;

DSDK_API dsdk_handle DSDK_CALL dsdk_create(void);
DSDK_API int32_t DSDK_CALL dsdk_release(dsdk_handle* handle);

DSDK_API int32_t DSDK_CALL dsdk_add_device(dsdk_handle h, int32_t device, int32_t reserved);
DSDK_API int32_t DSDK_CALL dsdk_remove_device(dsdk_handle h, int32_t device);
DSDK_API int32_t DSDK_CALL dsdk_connect(dsdk_handle h, int32_t device, const char* text,
                                        uint16_t value1, uint16_t value2);
DSDK_API int32_t DSDK_CALL dsdk_disconnect(dsdk_handle h, int32_t device);
DSDK_API int32_t DSDK_CALL dsdk_is_connected(dsdk_handle h, int32_t device, uint8_t* connected);
DSDK_API int32_t DSDK_CALL dsdk_init_device(dsdk_handle h, int32_t device);

/* count: in, the room of records; out, the number of records filled. */
DSDK_API int32_t DSDK_CALL dsdk_search_devices(dsdk_handle h, dsdk_device* records, int32_t* count);

DSDK_API int32_t DSDK_CALL dsdk_get_firmware_version(dsdk_handle h, int32_t device,
                                                     char* version /* 255 bytes */);
DSDK_API int32_t DSDK_CALL dsdk_get_serial(dsdk_handle h, int32_t device, int32_t* serial);
DSDK_API int32_t DSDK_CALL dsdk_get_network_config(dsdk_handle h, int32_t device,
                                                   char* text1 /* 16 bytes */, uint16_t* value);
DSDK_API int32_t DSDK_CALL dsdk_get_network_config_full(dsdk_handle h, int32_t device, char* text1,
                                                        uint16_t* value, char* text2, char* text3,
                                                        char* text4);

DSDK_API int32_t DSDK_CALL dsdk_scan_biometric(dsdk_handle h, int32_t device,
                                               dsdk_template* records, int32_t capacity,
                                               int32_t* count);
/* Gives back the template data of a scan; the record array stays the caller's. */
DSDK_API int32_t DSDK_CALL dsdk_free_biometric(dsdk_template* records, int32_t capacity);
DSDK_API int32_t DSDK_CALL dsdk_scan_card(dsdk_handle h, int32_t device, int32_t* card);

DSDK_API int32_t DSDK_CALL dsdk_add_user(dsdk_handle h, int32_t device, const dsdk_user* user,
                                         int32_t template_count, const dsdk_template* templates,
                                         int32_t reserved1, int32_t reserved2);
DSDK_API int32_t DSDK_CALL dsdk_remove_user(dsdk_handle h, int32_t device, const dsdk_user* user);

DSDK_API int32_t DSDK_CALL dsdk_set_time(dsdk_handle h, int32_t device, const dsdk_time* time);
/* Writes at most DSDK_PARAMETER_READ_ROOM records. */
DSDK_API int32_t DSDK_CALL dsdk_get_system_parameters(dsdk_handle h, int32_t device,
                                                      dsdk_parameter* records, int32_t* count);
DSDK_API int32_t DSDK_CALL dsdk_set_system_parameters(dsdk_handle h, int32_t device,
                                                      const dsdk_parameter* records, int32_t count);

DSDK_API int32_t DSDK_CALL dsdk_get_logs(dsdk_handle h, int32_t device, int32_t capacity,
                                         dsdk_log_record* records, int32_t* count);
/* block: 32 zero bytes. */
DSDK_API int32_t DSDK_CALL dsdk_get_log_cache(dsdk_handle h, int32_t device, int32_t capacity,
                                              dsdk_log_record* records, int32_t* count,
                                              const dsdk_log_record* block);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* Layout checks. The records without pointers have the vendor's layout on every target; the
 * template record holds a pointer, so its layout is the vendor's on the 32-bit targets only. */
#ifdef __cplusplus
#include <cstddef>
#define DSDK_LAYOUT(cond) static_assert(cond, #cond)
#define DSDK_ALIGNOF(type) alignof(type)
#else
#include <stddef.h>
#define DSDK_LAYOUT(cond) _Static_assert(cond, #cond)
#define DSDK_ALIGNOF(type) _Alignof(type)
#endif
DSDK_LAYOUT(sizeof(dsdk_device) == 284);
DSDK_LAYOUT(offsetof(dsdk_device, type) == 0);
DSDK_LAYOUT(offsetof(dsdk_device, int1) == 4);
DSDK_LAYOUT(offsetof(dsdk_device, text1) == 8);
DSDK_LAYOUT(offsetof(dsdk_device, text2) == 263);
DSDK_LAYOUT(offsetof(dsdk_device, short1) == 280);

DSDK_LAYOUT(sizeof(dsdk_user) == 152);
DSDK_LAYOUT(offsetof(dsdk_user, uid) == 0);
DSDK_LAYOUT(offsetof(dsdk_user, card) == 4);
DSDK_LAYOUT(offsetof(dsdk_user, pin) == 8);
DSDK_LAYOUT(offsetof(dsdk_user, name) == 12);
DSDK_LAYOUT(offsetof(dsdk_user, surname) == 76);
DSDK_LAYOUT(offsetof(dsdk_user, schedule) == 140);
DSDK_LAYOUT(offsetof(dsdk_user, template_count) == 144);
DSDK_LAYOUT(offsetof(dsdk_user, locked) == 148);

DSDK_LAYOUT(sizeof(dsdk_time) == 8);
DSDK_LAYOUT(offsetof(dsdk_time, year) == 0);
DSDK_LAYOUT(offsetof(dsdk_time, month) == 2);
DSDK_LAYOUT(offsetof(dsdk_time, day) == 3);
DSDK_LAYOUT(offsetof(dsdk_time, hour) == 4);
DSDK_LAYOUT(offsetof(dsdk_time, minute) == 5);
DSDK_LAYOUT(offsetof(dsdk_time, second) == 6);

DSDK_LAYOUT(sizeof(dsdk_parameter) == 8);
DSDK_LAYOUT(offsetof(dsdk_parameter, id) == 0);
DSDK_LAYOUT(offsetof(dsdk_parameter, value) == 4);

DSDK_LAYOUT(sizeof(dsdk_log_record) == 32);
DSDK_LAYOUT(offsetof(dsdk_log_record, int1) == 0);
DSDK_LAYOUT(offsetof(dsdk_log_record, int2) == 4);
DSDK_LAYOUT(offsetof(dsdk_log_record, short1) == 8);
DSDK_LAYOUT(offsetof(dsdk_log_record, short2) == 10);
DSDK_LAYOUT(offsetof(dsdk_log_record, byte1) == 12);
DSDK_LAYOUT(offsetof(dsdk_log_record, byte5) == 16);
DSDK_LAYOUT(offsetof(dsdk_log_record, double1) == 24);
DSDK_LAYOUT(DSDK_ALIGNOF(dsdk_log_record) == 8);

#if UINTPTR_MAX == 0xFFFFFFFFu
DSDK_LAYOUT(sizeof(dsdk_template) == 24);
DSDK_LAYOUT(offsetof(dsdk_template, data_size) == 0);
DSDK_LAYOUT(offsetof(dsdk_template, data) == 4);
DSDK_LAYOUT(offsetof(dsdk_template, finger_id) == 8);
DSDK_LAYOUT(offsetof(dsdk_template, format) == 12);
DSDK_LAYOUT(offsetof(dsdk_template, id) == 16);
DSDK_LAYOUT(offsetof(dsdk_template, scan_value) == 20);
#endif
#undef DSDK_LAYOUT
#undef DSDK_ALIGNOF

#endif /* DEVICESDK5_H */
