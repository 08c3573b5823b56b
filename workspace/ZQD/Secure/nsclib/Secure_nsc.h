/*
 * Non-secure-callable services of the secure image Secure. The non-secure side
 * includes this header and links the import library beside it.
 */
#ifndef SECURE_NSC_H
#define SECURE_NSC_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Checksum over a buffer of the caller; -1 when the buffer is not non-secure memory. */
int32_t Secure_NscEntry(const uint8_t *buffer, uint32_t length);

#ifdef __cplusplus
}
#endif

#endif /* SECURE_NSC_H */
