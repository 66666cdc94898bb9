/* A malloc counter for LD_PRELOAD: forwards every allocation to glibc's own functions and counts
 * it when the calling thread has counting switched on (see malloc_counter.h). */
#include "malloc_counter.h"

#include <errno.h>
#include <malloc.h>
#include <stddef.h>

#define BENCH_EXPORT __attribute__((visibility("default")))
#define BENCH_TLS __thread __attribute__((tls_model("initial-exec")))

/* glibc's allocator under its own names. */
extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* block, size_t size);
extern void* __libc_memalign(size_t alignment, size_t size);
extern void __libc_free(void* block);

static BENCH_TLS int counting;
static BENCH_TLS int64_t held;
static BENCH_TLS int64_t peak;
static BENCH_TLS int64_t blocks;
static BENCH_TLS int64_t largest;

static void count_allocation(void* block, size_t request) {
    if (!counting || block == NULL)
        return;
    held += (int64_t)malloc_usable_size(block);
    if (held > peak)
        peak = held;
    ++blocks;
    if ((int64_t)request > largest)
        largest = (int64_t)request;
}

static void count_release(void* block) {
    if (counting && block != NULL)
        held -= (int64_t)malloc_usable_size(block);
}

BENCH_EXPORT void bench_memory_begin(void) {
    held = 0;
    peak = 0;
    blocks = 0;
    largest = 0;
    counting = 1;
}

BENCH_EXPORT void bench_memory_end(bench_memory* out) {
    counting = 0;
    out->peak = peak;
    out->net = held;
    out->allocations = blocks;
    out->largest = largest;
}

BENCH_EXPORT void* malloc(size_t size) {
    void* block = __libc_malloc(size);
    count_allocation(block, size);
    return block;
}

BENCH_EXPORT void* calloc(size_t count, size_t size) {
    void* block = __libc_calloc(count, size);
    count_allocation(block, count * size); /* calloc itself refused an overflowing product */
    return block;
}

BENCH_EXPORT void* realloc(void* block, size_t size) {
    const int64_t before = counting && block != NULL ? (int64_t)malloc_usable_size(block) : 0;
    void* moved = __libc_realloc(block, size);
    if (counting && (moved != NULL || size == 0)) {
        held -= before;
        if (moved != NULL)
            count_allocation(moved, size);
    }
    return moved;
}

BENCH_EXPORT void free(void* block) {
    count_release(block);
    __libc_free(block);
}

BENCH_EXPORT void* memalign(size_t alignment, size_t size) {
    void* block = __libc_memalign(alignment, size);
    count_allocation(block, size);
    return block;
}

BENCH_EXPORT void* aligned_alloc(size_t alignment, size_t size) {
    return memalign(alignment, size);
}

BENCH_EXPORT int posix_memalign(void** out, size_t alignment, size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void* block = memalign(alignment, size);
    if (block == NULL)
        return ENOMEM;
    *out = block;
    return 0;
}
