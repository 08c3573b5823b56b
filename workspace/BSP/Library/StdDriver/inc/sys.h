/* System manager driver of the V6048 (stand-in BSP): register-write protection. */
#ifndef V6048_SYS_H
#define V6048_SYS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Protected registers accept writes after this key sequence, until SYS_LockReg. */
__STATIC_INLINE void SYS_UnlockReg(void)
{
    do {
        SYS->REGLCTL = 0x59UL;
        SYS->REGLCTL = 0x16UL;
        SYS->REGLCTL = 0x88UL;
    } while (SYS->REGLCTL == 0UL);
}

__STATIC_INLINE void SYS_LockReg(void)
{
    SYS->REGLCTL = 0UL;
}

#ifdef __cplusplus
}
#endif

#endif /* V6048_SYS_H */
