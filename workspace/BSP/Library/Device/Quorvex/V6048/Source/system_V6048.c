/* System start-up of the V6048 (stand-in BSP). */
#include "V6048.h"

uint32_t SystemCoreClock = __HSI;

void SystemCoreClockUpdate(void)
{
    SystemCoreClock = __HSI;
}

void SystemInit(void)
{
    /* The partition is set up by the secure main, which includes the generated
       partition header; nothing here depends on the security state. */
    SystemCoreClockUpdate();
}
