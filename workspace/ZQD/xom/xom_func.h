/*
 * Execute-only function of XOM region 0. Its code lies in the region and can be
 * called but not read, so it may hold an algorithm that must not be copied.
 */
#ifndef XOM0_FUNC_H
#define XOM0_FUNC_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define XOM0_BASE  0x00010000UL
#define XOM0_SIZE  0x00000800UL

/* Mixes value with key; the same pair always gives the same result. */
uint32_t XOM0_Function(uint32_t value, uint32_t key);

#ifdef __cplusplus
}
#endif

#endif /* XOM0_FUNC_H */
