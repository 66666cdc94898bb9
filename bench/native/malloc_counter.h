/*
 * The malloc counter that the benchmark's memory run preloads (libbenchmalloc.so). It counts, on
 * the calling thread only and only between begin and end, the bytes that malloc, calloc, realloc
 * and the aligned allocators hand out (their usable size) and that free gives back, and keeps the
 * peak of the bytes held. Other threads of the JVM (compilers, the collector) are not counted.
 */
#ifndef BENCH_MALLOC_COUNTER_H
#define BENCH_MALLOC_COUNTER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct bench_memory {
    int64_t peak;        /* most bytes held at once since begin (net of what was freed) */
    int64_t net;         /* bytes held at end: allocated minus freed since begin */
    int64_t allocations; /* blocks allocated since begin */
    int64_t largest;     /* largest single request since begin, in bytes */
} bench_memory;

/* Names looked up with dlsym, so that the benchmark library runs without the counter too. */
#define BENCH_MEMORY_BEGIN "bench_memory_begin"
#define BENCH_MEMORY_END "bench_memory_end"
typedef void (*bench_memory_begin_fn)(void);
typedef void (*bench_memory_end_fn)(bench_memory* out);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif
