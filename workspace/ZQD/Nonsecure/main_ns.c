/*
 * Non-secure image of the project Nonsecure: calls the services of the secure
 * images it links against, and starts the image that boots after it.
 */
#include <stdint.h>
#include "V6048.h"

/* Services of the secure images. */
#include "Secure_nsc.h"
/* End of services of the secure images. */

/* Execute-only functions of this image. */
/* End of execute-only functions. */

/* First address of the image that boots after this one (its vector table);
   0xFFFFFFFF when no image follows. */
#define NEXT_BOOT_BASE  0xFFFFFFFFUL

static uint8_t g_buffer[64];
/* Results of the secure services, kept where a debugger can read them. */
volatile int32_t g_results[10];

#if NEXT_BOOT_BASE != 0xFFFFFFFFUL
/* The image at vectorTable was not started: its vector table, initial stack pointer
   or reset handler does not lie in non-secure flash and SRAM. The processor stops
   here, where a debugger shows why; the hook is weak, so a product may log or
   reset instead, but it must not return into the boot. */
__WEAK void Boot_NextImageRejected(uint32_t vectorTable)
{
    (void)vectorTable;
    for (;;) {
        __NOP();
    }
}

/* Whether address lies in [base, base + size). */
static int InRange(uint32_t address, uint32_t base, uint32_t size)
{
    return address - base < size;
}

/* A non-secure image may start only with its vector table and Thumb reset handler
   in the non-secure view of the flash and its whole initial stack (8-byte aligned
   top) in the non-secure view of the SRAM. */
static int IsNonSecureImage(uint32_t vectorTable, uint32_t stackTop, uint32_t entry)
{
    return InRange(vectorTable, FLASH_NS_BASE, FLASH_SIZE) &&
           (stackTop & 7UL) == 0U && InRange(stackTop - 8U, SRAM_NS_BASE, SRAM_SIZE) &&
           (entry & 1UL) != 0U && InRange(entry & ~1UL, FLASH_NS_BASE, FLASH_SIZE);
}

/* Starts the image at vectorTable as a reset would: CONTROL and the stack limits
   cleared (the image sets its own), then its initial stack pointer and its reset
   handler loaded from the table and used from registers only, so nothing is read
   from the old stack once the new one is in place. */
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
#endif

/* Hands the processor to the next non-secure image; returns only when none follows
   or it was rejected. */
static void BootNextImage(void)
{
#if NEXT_BOOT_BASE != 0xFFFFFFFFUL
    volatile const uint32_t *vectors = (volatile const uint32_t *)NEXT_BOOT_BASE;

    if (!IsNonSecureImage(NEXT_BOOT_BASE, vectors[0], vectors[1])) {
        Boot_NextImageRejected(NEXT_BOOT_BASE);
        return;
    }
    __disable_irq();
    SCB->VTOR = NEXT_BOOT_BASE;
    __DSB();
    __ISB();
    JumpToImage(NEXT_BOOT_BASE);
#endif
}

int main(void)
{
    uint32_t i;

    /* An image started by another one finds interrupts masked by that jump. */
    __enable_irq();

    for (i = 0U; i < sizeof g_buffer; i++) {
        g_buffer[i] = (uint8_t)i;
    }

    /* Calls of the secure services. */
    g_results[0] = Secure_NscEntry(g_buffer, sizeof g_buffer);
    /* End of calls of the secure services. */

    /* Calls into execute-only memory. */
    /* End of calls into execute-only memory. */

    BootNextImage();

    for (;;) {
        __NOP();
    }
}
