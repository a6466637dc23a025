/* qvmem.c - memset, memcpy, memmove and memcmp for hosted programs, which
 * have no C library; GCC may call them for a structure assignment or a
 * large initialisation even with -ffreestanding. Kept apart from qvlib.c so
 * that, linked from an archive, they come in only when nothing else defines
 * them. Compiled with -fno-tree-loop-distribute-patterns, or GCC would turn
 * these very loops into calls of themselves. */
#include "qvlib.h"

void *QVL_MEM(memset)(void *dest, int c, size_t n)
{
    uint8_t *d = (uint8_t *)dest;
    while (n--) *d++ = (uint8_t)c;
    return dest;
}

void *QVL_MEM(memcpy)(void *dest, const void *src, size_t n)
{
    uint8_t *d = (uint8_t *)dest;
    const uint8_t *s = (const uint8_t *)src;
    while (n--) *d++ = *s++;
    return dest;
}

/* Overlapping blocks: forwards when the destination is below the source,
 * else backwards, so that no byte is overwritten before it is read. */
void *QVL_MEM(memmove)(void *dest, const void *src, size_t n)
{
    uint8_t *d = (uint8_t *)dest;
    const uint8_t *s = (const uint8_t *)src;
    if (d < s)
        while (n--) *d++ = *s++;
    else
        while (n--) d[n] = s[n];
    return dest;
}

int QVL_MEM(memcmp)(const void *a, const void *b, size_t n)
{
    const uint8_t *p = (const uint8_t *)a, *q = (const uint8_t *)b;
    for (; n; n--, p++, q++)
        if (*p != *q) return *p - *q;
    return 0;
}
