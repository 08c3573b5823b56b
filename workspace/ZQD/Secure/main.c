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

/*
 * Failure hooks: the processor stays in the secure state and stops in them, where
 * a debugger shows why. Each is weak, so a product may log, signal or reset
 * instead; none may return into the boot.
 */

/* The device's flash boundary (FNSADDR) is not the one the partition was made for:
   the SAU is not programmed, so no non-secure image can run. */
__WEAK void Partition_FlashBoundaryMismatch(uint32_t configured, uint32_t reported)
{
    (void)configured;
    (void)reported;
    for (;;) {
        __NOP();
    }
}

/* The image at vectorTable was not started: its vector table, initial stack pointer
   or reset handler does not lie where an image of its security state must have it. */
__WEAK void Boot_NextImageRejected(uint32_t vectorTable)
{
    (void)vectorTable;
    for (;;) {
        __NOP();
    }
}

/* Flags for checking memory that the non-secure caller passes: it may name only
   memory it may read itself, and when its thread mode runs unprivileged only what
   its MPU grants to unprivileged code. A caller in handler mode is privileged
   whatever CONTROL_NS says. */
static int CallerReadFlags(void)
{
    int flags = CMSE_NONSECURE | CMSE_MPU_READ;

    if (__get_IPSR() == 0U && (__TZ_get_CONTROL_NS() & CONTROL_nPRIV_Msk) != 0U) {
        flags |= CMSE_MPU_UNPRIV;
    }
    return flags;
}

/*
 * Non-secure-callable service: a checksum over a buffer of the caller. The buffer
 * must lie wholly in memory the non-secure caller may read itself, so that the
 * service cannot be used to read secure memory, nor memory the caller's privilege
 * does not reach. Returns -1 for a rejected buffer.
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
    checked = (const uint8_t *)cmse_check_address_range((void *)buffer, length, CallerReadFlags());
    if (checked == NULL) {
        return -1;
    }
    for (i = 0U; i < length; i++) {
        sum = (sum << 1) + (sum >> 31) + checked[i];
    }
    return (int32_t)(sum & 0x7FFFFFFFUL);
}

#if NEXT_BOOT_BASE != 0xFFFFFFFFUL
/* Whether address lies in [base, base + size); one subtraction, so a base of 0
   needs no comparison that is always true. */
static int InRange(uint32_t address, uint32_t base, uint32_t size)
{
    return address - base < size;
}

/* Whether the SAU and the IDAU attribute address to the secure state now. */
static int IsSecureAddress(uint32_t address)
{
    return cmse_TT((void *)address).flags.secure != 0U;
}

/* An image may start only with its vector table, its whole initial stack (8-byte
   aligned top) and its Thumb reset handler in memory of its own security state:
   flash and SRAM in the views of that state, as the partition attributes them. */
static int IsImageOfState(uint32_t vectorTable, uint32_t stackTop, uint32_t entry, int secure)
{
    const uint32_t flash = secure ? FLASH_BASE : FLASH_NS_BASE;
    const uint32_t sram = secure ? SRAM_BASE : SRAM_NS_BASE;
    const uint32_t code = entry & ~1UL;

    return InRange(vectorTable, flash, FLASH_SIZE) && IsSecureAddress(vectorTable) == secure &&
           (stackTop & 7UL) == 0U && InRange(stackTop - 8U, sram, SRAM_SIZE) &&
           IsSecureAddress(stackTop - 8U) == secure &&
           (entry & 1UL) != 0U && InRange(code, flash, FLASH_SIZE) &&
           IsSecureAddress(code) == secure;
}
#endif

#if (NEXT_BOOT_BASE != 0xFFFFFFFFUL) && (NEXT_BOOT_NS == 1)
/* The linker reserves eight bytes above the initial secure stack pointer for the
   seal; with it in place a forged exception return cannot unstack secure data. */
static void SealSecureStack(void)
{
    uint32_t *top = (uint32_t *)(*(volatile const uint32_t *)SCB->VTOR);
    __TZ_set_STACKSEAL_S(top);
}

/* Starts the non-secure image on its own main stack; returns only when the image
   was rejected. */
static void StartNonSecureImage(uint32_t vectorTable)
{
    volatile const uint32_t *vectors = (volatile const uint32_t *)vectorTable;
    const uint32_t stackTop = vectors[0];
    const uint32_t entry = vectors[1];
    NonSecureReset reset;

    if (!IsImageOfState(vectorTable, stackTop, entry, 0)) {
        Boot_NextImageRejected(vectorTable);
        return;
    }
    SCB_NS->VTOR = vectorTable;
    __TZ_set_MSP_NS(stackTop);
    SealSecureStack();
    /* Clearing bit 0 of the target makes the call switch to the non-secure state. */
    reset = (NonSecureReset)cmse_nsfptr_create((NonSecureReset)entry);
    reset();
}
#endif

#if (NEXT_BOOT_BASE != 0xFFFFFFFFUL) && (NEXT_BOOT_NS == 0)
/* Starts the secure image at vectorTable as a reset would: CONTROL and the stack
   limits cleared (the image sets its own), then its initial stack pointer and its
   reset handler loaded from the table and used from registers only, so nothing is
   read from the old stack once the new one is in place. */
static void JumpToImage(uint32_t vectorTable)
{
    __ASM volatile (
        "movs r1, #0        \n"
        "msr  control, r1   \n"
        "isb                \n"
        "msr  msplim, r1    \n"
        "msr  psplim, r1    \n"
        "ldr  r1, [%0, #0]  \n"
        "ldr  r2, [%0, #4]  \n"
        "msr  msp, r1       \n"
        "bx   r2            \n"
        : : "r" (vectorTable) : "r1", "r2", "cc", "memory");
}

/* Returns only when the image was rejected. */
static void StartSecureImage(uint32_t vectorTable)
{
    volatile const uint32_t *vectors = (volatile const uint32_t *)vectorTable;

    if (!IsImageOfState(vectorTable, vectors[0], vectors[1], 1)) {
        Boot_NextImageRejected(vectorTable);
        return;
    }
    __disable_irq();
    SCB->VTOR = vectorTable;
    __DSB();
    __ISB();
    JumpToImage(vectorTable);
}
#endif

/* Hands the processor to the next image of the boot chain; returns only when none
   follows or it was rejected. */
static void BootNextImage(void)
{
#if (NEXT_BOOT_BASE != 0xFFFFFFFFUL) && (NEXT_BOOT_NS == 1)
    StartNonSecureImage(NEXT_BOOT_BASE);
#elif NEXT_BOOT_BASE != 0xFFFFFFFFUL
    StartSecureImage(NEXT_BOOT_BASE);
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
