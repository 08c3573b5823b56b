/*
 * V6048 device header of the stand-in BSP: memory map, interrupt numbers and the
 * registers that the TrustZone templates use. A vendor BSP replaces this folder.
 */
#ifndef V6048_H
#define V6048_H

#ifdef __cplusplus
extern "C" {
#endif

typedef enum IRQn {
    NonMaskableInt_IRQn = -14,
    HardFault_IRQn      = -13,
    SVCall_IRQn         = -5,
    PendSV_IRQn         = -2,
    SysTick_IRQn        = -1,
    BOD_IRQn            = 0,
    IRC_IRQn            = 1,
    PWRWU_IRQn          = 2,
    SRAM_IRQn           = 3,
    CLKFAIL_IRQn        = 4,
    RTC_IRQn            = 6,
    TAMPER_IRQn         = 7,
    WDT_IRQn            = 8,
    WWDT_IRQn           = 9,
    EINT0_IRQn          = 10,
    GPA_IRQn            = 16,
    GPB_IRQn            = 17,
    GPC_IRQn            = 18,
    GPD_IRQn            = 19,
    GPE_IRQn            = 20,
    GPF_IRQn            = 21,
    SPI0_IRQn           = 22,
    SPI1_IRQn           = 23,
    UART0_IRQn          = 36,
    UART1_IRQn          = 37
} IRQn_Type;

#define __CM23_REV              0x0100U
#define __SAUREGION_PRESENT     1U
#define __MPU_PRESENT           1U
#define __VTOR_PRESENT          1U
#define __NVIC_PRIO_BITS        2U
#define __Vendor_SysTickConfig  0U

#include "core_cm23.h"
#include "system_V6048.h"

/* Memory map: secure views and their non-secure aliases. */
#define FLASH_BASE              0x00000000UL
#define FLASH_NS_BASE           0x10000000UL
#define FLASH_SIZE              0x00080000UL   /* 512 KB, 2 KB pages */
#define FLASH_PAGE_SIZE         0x00000800UL
#define SRAM_BASE               0x20000000UL
#define SRAM_NS_BASE            0x30000000UL
#define SRAM_SIZE               0x00018000UL   /* 96 KB */
#define PERIPH_BASE             0x40000000UL
#define PERIPH_NS_BASE          0x50000000UL

#define SYS_BASE                (PERIPH_BASE + 0x00000UL)
#define SCU_BASE                (PERIPH_BASE + 0x2F000UL)

/* System manager: only the register-write protection is used here. */
typedef struct {
    __IM  uint32_t PDID;
          uint32_t RESERVED0[63];
    __IOM uint32_t REGLCTL;     /* 0x100 */
} SYS_T;

/* Security configuration unit: which peripherals, ports and blocks are non-secure. */
typedef struct {
    __IOM uint32_t PNSSET[7];   /* 0x000..0x018: peripheral non-secure set words 0..6 */
          uint32_t RESERVED0;   /* 0x01C */
    __IOM uint32_t IONSSET;     /* 0x020: bit n = GPIO port n non-secure */
          uint32_t RESERVED1[3];
    __IOM uint32_t SRAMNSSET;   /* 0x030: bit n = SRAM block n (8 KB) non-secure, bits 0..11 */
    __IM  uint32_t FNSADDR;     /* 0x034: flash offset of the first non-secure page, as the
                                   flash's user configuration sets it (0x80000: none) */
} SCU_T;

#define SCU_SRAMNSSET_BLOCK_SIZE   0x00002000UL
#define SCU_SRAMNSSET_BLOCKS       12U

#define SYS                     ((SYS_T *) SYS_BASE)
#define SCU                     ((SCU_T *) SCU_BASE)

CORE_LAYOUT_CHECK(v6048_check_sys_reglctl, offsetof(SYS_T, REGLCTL) == 0x100U);
CORE_LAYOUT_CHECK(v6048_check_scu_ionsset, offsetof(SCU_T, IONSSET) == 0x020U);
CORE_LAYOUT_CHECK(v6048_check_scu_sramnsset, offsetof(SCU_T, SRAMNSSET) == 0x030U);
CORE_LAYOUT_CHECK(v6048_check_scu_fnsaddr, offsetof(SCU_T, FNSADDR) == 0x034U);

#include "sys.h"

#ifdef __cplusplus
}
#endif

#endif /* V6048_H */
