/*
 * Secure image of the project Secure: sets up the partition of the V6048, offers
 * one non-secure-callable service, and starts the image that boots after it.
 */
#include <stddef.h>
#include <stdint.h>
#include <arm_cmse.h>
#include "V6048.h"
#include "../partition_V6048.h"

/* Execute-only functions of this image. */
/* End of execute-only functions. */

/* First address of the image that boots after this one (its vector table);
   0xFFFFFFFF when no image follows. */
#define NEXT_BOOT_BASE  0xFFFFFFFFUL
/* 1 when that image runs in the non-secure state. */
#define NEXT_BOOT_NS    0

/* The attribute stands before the return type, where IAR also accepts it. */
typedef __NONSECURE_CALL void (*NonSecureReset)(void);
typedef void (*SecureReset)(void);

/*
 * Non-secure-callable service: a checksum over a buffer of the caller. The buffer
 * must lie wholly in memory the non-secure caller may read itself, so that the
 * service cannot be used to read secure memory. Returns -1 for a rejected buffer.
 */
__NONSECURE_ENTRY
int32_t Secure_NscEntry(const uint8_t *buffer, uint32_t length)
{
    const uint8_t *checked;
    uint32_t sum = 0U;
    uint32_t i;

    if (length == 0U) {
        return -1;
    }
    checked = (const uint8_t *)cmse_check_address_range((void *)buffer, length,
                                                         CMSE_NONSECURE | CMSE_MPU_READ);
    if (checked == NULL) {
        return -1;
    }
    for (i = 0U; i < length; i++) {
        sum = (sum << 1) + (sum >> 31) + checked[i];
    }
    return (int32_t)(sum & 0x7FFFFFFFUL);
}

#if (NEXT_BOOT_BASE != 0xFFFFFFFFUL) && (NEXT_BOOT_NS == 1)
/* The linker reserves eight bytes above the initial secure stack pointer for the
   seal; with it in place a forged exception return cannot unstack secure data. */
static void SealSecureStack(void)
{
    uint32_t *top = (uint32_t *)(*(volatile const uint32_t *)SCB->VTOR);
    __TZ_set_STACKSEAL_S(top);
}
#endif

/* Hands the processor to the next image of the boot chain; returns only when none follows. */
static void BootNextImage(void)
{
#if NEXT_BOOT_BASE != 0xFFFFFFFFUL
    volatile const uint32_t *vectors = (volatile const uint32_t *)NEXT_BOOT_BASE;
  #if NEXT_BOOT_NS == 1
    NonSecureReset reset;

    SCB_NS->VTOR = NEXT_BOOT_BASE;
    __TZ_set_MSP_NS(vectors[0]);
    SealSecureStack();
    /* Clearing bit 0 of the target makes the call switch to the non-secure state. */
    reset = (NonSecureReset)cmse_nsfptr_create((NonSecureReset)vectors[1]);
    reset();
  #else
    SecureReset reset = (SecureReset)vectors[1];

    __disable_irq();
    SCB->VTOR = NEXT_BOOT_BASE;
    __DSB();
    __set_MSP(vectors[0]);
    reset();
  #endif
#endif
}

int main(void)
{
    SYS_UnlockReg();
    Partition_Setup();
    SYS_LockReg();
    /* An image started by another secure image finds interrupts masked by that
       jump; unmask them as a reset would, or the non-secure image it boots could
       never take one. */
    __enable_irq();

    /* Calls into execute-only memory. */
    /* End of calls into execute-only memory. */

    BootNextImage();

    for (;;) {
        __NOP();
    }
}
