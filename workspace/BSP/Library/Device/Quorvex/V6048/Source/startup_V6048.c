/*
 * Vector table and reset handler of the V6048 (stand-in BSP), in C so that one
 * file serves Arm Compiler 6, IAR and GCC. Each tool chain names the stack top
 * and the section of the table differently.
 */
#include "V6048.h"

typedef void (*VectorEntry)(void);

extern int main(void);
void Reset_Handler(void);
void Default_Handler(void);

#if defined(__ICCARM__)
  #pragma language = extended
  #pragma section = "CSTACK"
  #define STACK_TOP ((VectorEntry)__sfe("CSTACK"))
  #define VECTOR_SECTION _Pragma("location = \".intvec\"")
  extern void __iar_program_start(void);
  #define START_C() __iar_program_start()
#elif defined(__ARMCC_VERSION)
  extern uint32_t Image$$ARM_LIB_STACK$$ZI$$Limit;
  #define STACK_TOP ((VectorEntry)(&Image$$ARM_LIB_STACK$$ZI$$Limit))
  #define VECTOR_SECTION __attribute__((section("RESET"), used))
  extern void __main(void);
  #define START_C() __main()
#else
  extern uint32_t __StackTop;
  #define STACK_TOP ((VectorEntry)(&__StackTop))
  #define VECTOR_SECTION __attribute__((section(".vectors"), used))
  #define START_C() (void)main()
#endif

#define WEAK_HANDLER(name) void name(void) __attribute__((weak, alias("Default_Handler")))

WEAK_HANDLER(NMI_Handler);
WEAK_HANDLER(HardFault_Handler);
WEAK_HANDLER(SVC_Handler);
WEAK_HANDLER(PendSV_Handler);
WEAK_HANDLER(SysTick_Handler);

VECTOR_SECTION
const VectorEntry __vector_table[16 + 64] = {
    STACK_TOP,
    Reset_Handler,
    NMI_Handler,
    HardFault_Handler,
    0, 0, 0, 0, 0, 0, 0,
    SVC_Handler,
    0, 0,
    PendSV_Handler,
    SysTick_Handler,
    /* Device interrupts fall back to Default_Handler until an application adds its own. */
    [16 ... 16 + 63] = Default_Handler,
};

void Reset_Handler(void)
{
    SystemInit();
    START_C();
    for (;;) {
    }
}

void Default_Handler(void)
{
    for (;;) {
    }
}
