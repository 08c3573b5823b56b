/* System start-up of the V6048 (stand-in BSP). */
#ifndef SYSTEM_V6048_H
#define SYSTEM_V6048_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define __HSI (12000000UL)

extern uint32_t SystemCoreClock;

/* Brings the clock to its reset configuration and records it in SystemCoreClock. */
void SystemInit(void);
void SystemCoreClockUpdate(void);

#ifdef __cplusplus
}
#endif

#endif /* SYSTEM_V6048_H */
