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

typedef void (*ImageReset)(void);

static uint8_t g_buffer[64];
/* Results of the secure services, kept where a debugger can read them. */
volatile int32_t g_results[10];

/* Hands the processor to the next non-secure image; returns only when none follows. */
static void BootNextImage(void)
{
#if NEXT_BOOT_BASE != 0xFFFFFFFFUL
    volatile const uint32_t *vectors = (volatile const uint32_t *)NEXT_BOOT_BASE;
    ImageReset reset = (ImageReset)vectors[1];

    __disable_irq();
    SCB->VTOR = NEXT_BOOT_BASE;
    __DSB();
    __set_MSP(vectors[0]);
    reset();
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
