/*
 * Cortex-M23 core definitions of the stand-in BSP: the system control block,
 * the SAU, the NVIC (with its interrupt target registers), SysTick and the
 * few intrinsics that TrustZone start-up code needs. Register layouts follow
 * the Armv8-M Baseline architecture; the offsets are checked at compile time.
 */
#ifndef CORE_CM23_H
#define CORE_CM23_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Compiler abstraction: armclang and GCC share the GNU spellings, IAR has its own. */
#if defined(__ICCARM__)
  #define __ASM            __asm
  #define __INLINE         inline
  #define __STATIC_INLINE  static inline
  #define __NO_RETURN      __noreturn
  #define __USED           __root
  #define __WEAK           __weak
#else
  #define __ASM            __asm
  #define __INLINE         inline
  #define __STATIC_INLINE  static inline
  #define __NO_RETURN      __attribute__((__noreturn__))
  #define __USED           __attribute__((used))
  #define __WEAK           __attribute__((weak))
#endif

#define __I   volatile const
#define __O   volatile
#define __IO  volatile
#define __IM  volatile const
#define __OM  volatile
#define __IOM volatile

#ifndef __SAUREGION_PRESENT
  #define __SAUREGION_PRESENT 1U
#endif

/* System control block (0xE000ED00). */
typedef struct {
    __IM  uint32_t CPUID;       /* 0x000 */
    __IOM uint32_t ICSR;        /* 0x004 */
    __IOM uint32_t VTOR;        /* 0x008 */
    __IOM uint32_t AIRCR;       /* 0x00C */
    __IOM uint32_t SCR;         /* 0x010 */
    __IOM uint32_t CCR;         /* 0x014 */
          uint32_t RESERVED0;   /* 0x018 */
    __IOM uint32_t SHPR[2U];    /* 0x01C */
    __IOM uint32_t SHCSR;       /* 0x024 */
} SCB_Type;

#define SCB_ICSR_STTNS_Pos            24U
#define SCB_ICSR_STTNS_Msk            (1UL << SCB_ICSR_STTNS_Pos)
#define SCB_AIRCR_VECTKEY_Pos         16U
#define SCB_AIRCR_VECTKEY_Msk         (0xFFFFUL << SCB_AIRCR_VECTKEY_Pos)
#define SCB_AIRCR_PRIS_Pos            14U
#define SCB_AIRCR_PRIS_Msk            (1UL << SCB_AIRCR_PRIS_Pos)
#define SCB_AIRCR_BFHFNMINS_Pos       13U
#define SCB_AIRCR_BFHFNMINS_Msk       (1UL << SCB_AIRCR_BFHFNMINS_Pos)
#define SCB_AIRCR_SYSRESETREQS_Pos    3U
#define SCB_AIRCR_SYSRESETREQS_Msk    (1UL << SCB_AIRCR_SYSRESETREQS_Pos)
#define SCB_AIRCR_SYSRESETREQ_Pos     2U
#define SCB_AIRCR_SYSRESETREQ_Msk     (1UL << SCB_AIRCR_SYSRESETREQ_Pos)
#define SCB_SCR_SLEEPDEEPS_Pos        3U
#define SCB_SCR_SLEEPDEEPS_Msk        (1UL << SCB_SCR_SLEEPDEEPS_Pos)

/* Security attribution unit (0xE000EDD0). */
typedef struct {
    __IOM uint32_t CTRL;        /* 0x000 */
    __IM  uint32_t TYPE;        /* 0x004 */
    __IOM uint32_t RNR;         /* 0x008 */
    __IOM uint32_t RBAR;        /* 0x00C */
    __IOM uint32_t RLAR;        /* 0x010 */
} SAU_Type;

#define SAU_CTRL_ENABLE_Pos           0U
#define SAU_CTRL_ENABLE_Msk           (1UL << SAU_CTRL_ENABLE_Pos)
#define SAU_CTRL_ALLNS_Pos            1U
#define SAU_CTRL_ALLNS_Msk            (1UL << SAU_CTRL_ALLNS_Pos)
#define SAU_TYPE_SREGION_Msk          0xFFUL
#define SAU_RNR_REGION_Msk            0xFFUL
#define SAU_RBAR_BADDR_Msk            0xFFFFFFE0UL   /* bits 31:5 */
#define SAU_RLAR_LADDR_Msk            0xFFFFFFE0UL   /* bits 31:5, limit inclusive */
#define SAU_RLAR_NSC_Pos              1U
#define SAU_RLAR_NSC_Msk              (1UL << SAU_RLAR_NSC_Pos)
#define SAU_RLAR_ENABLE_Msk           1UL

/* Nested vectored interrupt controller (0xE000E100). */
typedef struct {
    __IOM uint32_t ISER[16U];   /* 0x000 */
          uint32_t RESERVED0[16U];
    __IOM uint32_t ICER[16U];   /* 0x080 */
          uint32_t RESERVED1[16U];
    __IOM uint32_t ISPR[16U];   /* 0x100 */
          uint32_t RESERVED2[16U];
    __IOM uint32_t ICPR[16U];   /* 0x180 */
          uint32_t RESERVED3[16U];
    __IOM uint32_t IABR[16U];   /* 0x200 */
          uint32_t RESERVED4[16U];
    __IOM uint32_t ITNS[16U];   /* 0x280: 1 = interrupt targets the non-secure state */
          uint32_t RESERVED5[16U];
    __IOM uint32_t IPR[124U];   /* 0x300 */
} NVIC_Type;

/* SysTick (0xE000E010). */
typedef struct {
    __IOM uint32_t CTRL;
    __IOM uint32_t LOAD;
    __IOM uint32_t VAL;
    __IM  uint32_t CALIB;
} SysTick_Type;

#define SCS_BASE            0xE000E000UL
#define SysTick_BASE        (SCS_BASE + 0x0010UL)
#define NVIC_BASE           (SCS_BASE + 0x0100UL)
#define SCB_BASE            (SCS_BASE + 0x0D00UL)
#define SAU_BASE            (SCS_BASE + 0x0DD0UL)

#define SCB                 ((SCB_Type *) SCB_BASE)
#define SysTick             ((SysTick_Type *) SysTick_BASE)
#define NVIC                ((NVIC_Type *) NVIC_BASE)
#define SAU                 ((SAU_Type *) SAU_BASE)

/* The non-secure aliases of the system control space exist only for secure code. */
#if defined(__ARM_FEATURE_CMSE) && (__ARM_FEATURE_CMSE == 3U)
  #define SCS_BASE_NS       0xE002E000UL
  #define SCB_NS            ((SCB_Type *) (SCS_BASE_NS + 0x0D00UL))
  #define NVIC_NS           ((NVIC_Type *) (SCS_BASE_NS + 0x0100UL))
  #define SysTick_NS        ((SysTick_Type *) (SCS_BASE_NS + 0x0010UL))
#endif

/* Compile-time layout checks that every C99 compiler accepts: a negative array
   size fails the build. */
#define CORE_LAYOUT_CHECK(name, condition) typedef char name[(condition) ? 1 : -1]
CORE_LAYOUT_CHECK(core_check_scb_vtor, offsetof(SCB_Type, VTOR) == 0x08U);
CORE_LAYOUT_CHECK(core_check_scb_shcsr, offsetof(SCB_Type, SHCSR) == 0x24U);
CORE_LAYOUT_CHECK(core_check_sau_rlar, offsetof(SAU_Type, RLAR) == 0x10U);
CORE_LAYOUT_CHECK(core_check_nvic_itns, offsetof(NVIC_Type, ITNS) == 0x280U);
CORE_LAYOUT_CHECK(core_check_nvic_ipr, offsetof(NVIC_Type, IPR) == 0x300U);

__STATIC_INLINE void __DSB(void) { __ASM volatile ("dsb 0xF" ::: "memory"); }
__STATIC_INLINE void __ISB(void) { __ASM volatile ("isb 0xF" ::: "memory"); }
__STATIC_INLINE void __NOP(void) { __ASM volatile ("nop"); }
__STATIC_INLINE void __disable_irq(void) { __ASM volatile ("cpsid i" ::: "memory"); }
__STATIC_INLINE void __enable_irq(void) { __ASM volatile ("cpsie i" ::: "memory"); }

__STATIC_INLINE void __set_MSP(uint32_t topOfMainStack)
{
    __ASM volatile ("MSR msp, %0" : : "r" (topOfMainStack) : "memory");
}

/* Lowest address the main (process) stack may reach; a push below it faults. The
   Cortex-M23 has these limit registers in the secure state only: in the
   non-secure state they read as zero and ignore writes. */
__STATIC_INLINE void __set_MSPLIM(uint32_t mainStackLimit)
{
    __ASM volatile ("MSR msplim, %0" : : "r" (mainStackLimit) : "memory");
}

__STATIC_INLINE void __set_PSPLIM(uint32_t processStackLimit)
{
    __ASM volatile ("MSR psplim, %0" : : "r" (processStackLimit) : "memory");
}

/* Number of the exception being handled; 0 in thread mode. */
__STATIC_INLINE uint32_t __get_IPSR(void)
{
    uint32_t result;
    __ASM volatile ("MRS %0, ipsr" : "=r" (result));
    return result;
}

#define CONTROL_nPRIV_Msk 1UL   /* CONTROL bit 0: thread mode runs unprivileged */

#if defined(__ARM_FEATURE_CMSE) && (__ARM_FEATURE_CMSE == 3U)
/* Main stack pointer of the non-secure state, set before its reset handler runs. */
__STATIC_INLINE void __TZ_set_MSP_NS(uint32_t topOfMainStack)
{
    __ASM volatile ("MSR msp_ns, %0" : : "r" (topOfMainStack) : "memory");
}

/* CONTROL register of the non-secure state. */
__STATIC_INLINE uint32_t __TZ_get_CONTROL_NS(void)
{
    uint32_t result;
    __ASM volatile ("MRS %0, control_ns" : "=r" (result));
    return result;
}

/* Value the architecture reserves for sealing a secure stack. */
#define __TZ_STACK_SEAL_VALUE 0xFEF5EDA5UL

/* Two seal words at the top of a secure stack, so that a forged exception
   return cannot unstack from above it. */
__STATIC_INLINE void __TZ_set_STACKSEAL_S(uint32_t *stackTop)
{
    stackTop[0] = __TZ_STACK_SEAL_VALUE;
    stackTop[1] = __TZ_STACK_SEAL_VALUE;
}
#endif

/* Secure entry points and calls into the non-secure world. */
#if defined(__ICCARM__)
  #define __NONSECURE_ENTRY  __cmse_nonsecure_entry
  #define __NONSECURE_CALL   __cmse_nonsecure_call
#else
  #define __NONSECURE_ENTRY  __attribute__((cmse_nonsecure_entry))
  #define __NONSECURE_CALL   __attribute__((cmse_nonsecure_call))
#endif

__STATIC_INLINE void NVIC_SystemReset(void)
{
    __DSB();
    SCB->AIRCR = (0x5FAUL << SCB_AIRCR_VECTKEY_Pos) | (SCB->AIRCR & SCB_AIRCR_SYSRESETREQS_Msk)
               | SCB_AIRCR_SYSRESETREQ_Msk;
    __DSB();
    for (;;) {
        __NOP();
    }
}

#ifdef __cplusplus
}
#endif

#endif /* CORE_CM23_H */
