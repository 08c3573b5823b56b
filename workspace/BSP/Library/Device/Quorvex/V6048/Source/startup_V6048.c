/*
 * Vector table and reset handler of the V6048 (stand-in BSP), in C so that one
 * file serves Arm Compiler 6, IAR and GCC. Each tool chain names the stack top,
 * the stack's lowest address and the section of the table differently.
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
  #define STACK_LIMIT ((uint32_t)__sfb("CSTACK"))
  #define VECTOR_SECTION _Pragma("location = \".intvec\"")
  extern void __iar_program_start(void);
  #define START_C() __iar_program_start()
#elif defined(__ARMCC_VERSION)
  extern uint32_t Image$$ARM_LIB_STACK$$ZI$$Limit;
  extern uint32_t Image$$ARM_LIB_STACK$$ZI$$Base;
  #define STACK_TOP ((VectorEntry)(&Image$$ARM_LIB_STACK$$ZI$$Limit))
  #define STACK_LIMIT ((uint32_t)(&Image$$ARM_LIB_STACK$$ZI$$Base))
  #define VECTOR_SECTION __attribute__((section("RESET"), used))
  extern void __main(void);
  #define START_C() __main()
#else
  extern uint32_t __StackTop;
  extern uint32_t __StackLimit;
  #define STACK_TOP ((VectorEntry)(&__StackTop))
  #define STACK_LIMIT ((uint32_t)(&__StackLimit))
  #define VECTOR_SECTION __attribute__((section(".vectors"), used))
  static void StartC(void);
  #define START_C() StartC()
#endif

/* Handlers an application does not define fall back to Default_Handler. */
#if defined(__ICCARM__)
  void NMI_Handler(void);
  void HardFault_Handler(void);
  void SVC_Handler(void);
  void PendSV_Handler(void);
  void SysTick_Handler(void);
  #pragma weak NMI_Handler = Default_Handler
  #pragma weak HardFault_Handler = Default_Handler
  #pragma weak SVC_Handler = Default_Handler
  #pragma weak PendSV_Handler = Default_Handler
  #pragma weak SysTick_Handler = Default_Handler
#else
  #define WEAK_HANDLER(name) void name(void) __attribute__((weak, alias("Default_Handler")))
  WEAK_HANDLER(NMI_Handler);
  WEAK_HANDLER(HardFault_Handler);
  WEAK_HANDLER(SVC_Handler);
  WEAK_HANDLER(PendSV_Handler);
  WEAK_HANDLER(SysTick_Handler);
#endif

/* Eight, then sixty-four device interrupt entries, without a compiler extension. */
#define DEFAULT_8  Default_Handler, Default_Handler, Default_Handler, Default_Handler, \
                   Default_Handler, Default_Handler, Default_Handler, Default_Handler
#define DEFAULT_64 DEFAULT_8, DEFAULT_8, DEFAULT_8, DEFAULT_8, DEFAULT_8, DEFAULT_8, DEFAULT_8, DEFAULT_8

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
    DEFAULT_64
};

void Reset_Handler(void)
{
    /* An overflow of the main stack now faults instead of overwriting the data
       below it. An image started by another one finds the limit cleared by that
       hand-over, as after a reset. The process stack is not used here: code that
       starts threads sets PSPLIM with each PSP. */
    __set_MSPLIM(STACK_LIMIT);
    SystemInit();
    START_C();
    for (;;) {
    }
}

#if !defined(__ICCARM__) && !defined(__ARMCC_VERSION)
/* The GNU linker script names the initial data (its copy in flash and its place in
   SRAM), the zeroed data and the constructors; GCC's own start files are not linked,
   so this is the whole C run-time start. */
extern uint32_t __data_load__[], __data_start__[], __data_end__[];
extern uint32_t __bss_start__[], __bss_end__[];
extern void (*__init_array_start[])(void);
extern void (*__init_array_end[])(void);

static void StartC(void)
{
    const uint32_t *from = __data_load__;
    uint32_t *to;
    void (**constructor)(void);

    for (to = __data_start__; to < __data_end__; to++) {
        *to = *from++;
    }
    for (to = __bss_start__; to < __bss_end__; to++) {
        *to = 0U;
    }
    for (constructor = __init_array_start; constructor < __init_array_end; constructor++) {
        (*constructor)();
    }
    (void)main();
}
#endif

void Default_Handler(void)
{
    for (;;) {
    }
}
