/*
 * Partition of the V6048 between the secure and the non-secure world: SAU regions,
 * system control settings, peripheral and GPIO attribution and interrupt targets.
 * Generated projects share this header; the template generator rewrites the numbers
 * after the macro names, and the annotations keep it editable in the
 * uVision configuration wizard.
 */
#ifndef PARTITION_V6048_H
#define PARTITION_V6048_H

/*
//-------- <<< Use Configuration Wizard in Context Menu >>> --------
*/

/*
// <e>Program the SAU control register
*/
#define SAU_INIT_CTRL          1

/*
//   <q> SAU on
//   <i> SAU->CTRL.ENABLE
*/
#define SAU_INIT_CTRL_ENABLE   1

/*
//   <o> Memory while the SAU is off
//     <0=> secure
//     <1=> non-secure
//   <i> SAU->CTRL.ALLNS
*/
#define SAU_INIT_CTRL_ALLNS    0

/*
// </e>
*/

/*
// <h>SAU regions of the V6048
// <i>Each region is non-secure or non-secure callable;
// <i>memory outside every region stays secure.
// <i>The generator fills the regions in this order: the non-secure-callable
// <i>areas of the secure projects by address, the non-secure flash, the
// <i>non-secure SRAM and the non-secure peripheral aliases; the rest stay off.
*/
#define SAU_REGIONS_MAX   8

/*
//   <q>The NSC areas need more regions than the SAU has
//   <i>Set by the generator; the build stops until the areas fit.
*/
#define SAU_REGIONS_OVERFLOW  0
#if SAU_REGIONS_OVERFLOW
  #error "The NSC areas of the secure projects need more SAU regions than the V6048 has (8); no SAU region is programmed. Place NSC areas next to each other and create the template again."
#endif

/*
//   <e>SAU region 0
//   <i> Non-secure-callable veneers of the secure images
*/
#define SAU_INIT_REGION0    1
/*
//     <o>First address <0-0xFFFFFFE0>
*/
#define SAU_INIT_START0     0x0003F000
/*
//     <o>Last address, inclusive <0x1F-0xFFFFFFFF>
*/
#define SAU_INIT_END0       0x0003FFFF
/*
//     <o>Attribute
//         <0=>non-secure
//         <1=>non-secure callable
*/
#define SAU_INIT_NSC0       1
/*
//   </e>
*/

/*
//   <e>SAU region 1
//   <i> Non-secure flash (APROM)
*/
#define SAU_INIT_REGION1    1
/*
//     <o>First address <0-0xFFFFFFE0>
*/
#define SAU_INIT_START1     0x10040000
/*
//     <o>Last address, inclusive <0x1F-0xFFFFFFFF>
*/
#define SAU_INIT_END1       0x1007FFFF
/*
//     <o>Attribute
//         <0=>non-secure
//         <1=>non-secure callable
*/
#define SAU_INIT_NSC1       0
/*
//   </e>
*/

/*
//   <e>SAU region 2
//   <i> Non-secure SRAM
*/
#define SAU_INIT_REGION2    1
/*
//     <o>First address <0-0xFFFFFFE0>
*/
#define SAU_INIT_START2     0x30008000
/*
//     <o>Last address, inclusive <0x1F-0xFFFFFFFF>
*/
#define SAU_INIT_END2       0x30017FFF
/*
//     <o>Attribute
//         <0=>non-secure
//         <1=>non-secure callable
*/
#define SAU_INIT_NSC2       0
/*
//   </e>
*/

/*
//   <e>SAU region 3
//   <i> Non-secure peripheral aliases
*/
#define SAU_INIT_REGION3    1
/*
//     <o>First address <0-0xFFFFFFE0>
*/
#define SAU_INIT_START3     0x50000000
/*
//     <o>Last address, inclusive <0x1F-0xFFFFFFFF>
*/
#define SAU_INIT_END3       0x5FFFFFFF
/*
//     <o>Attribute
//         <0=>non-secure
//         <1=>non-secure callable
*/
#define SAU_INIT_NSC3       0
/*
//   </e>
*/

/*
//   <e>SAU region 4
//   <i> Not used
*/
#define SAU_INIT_REGION4    0
/*
//     <o>First address <0-0xFFFFFFE0>
*/
#define SAU_INIT_START4     0x00000000
/*
//     <o>Last address, inclusive <0x1F-0xFFFFFFFF>
*/
#define SAU_INIT_END4       0x0000001F
/*
//     <o>Attribute
//         <0=>non-secure
//         <1=>non-secure callable
*/
#define SAU_INIT_NSC4       0
/*
//   </e>
*/

/*
//   <e>SAU region 5
//   <i> Not used
*/
#define SAU_INIT_REGION5    0
/*
//     <o>First address <0-0xFFFFFFE0>
*/
#define SAU_INIT_START5     0x00000000
/*
//     <o>Last address, inclusive <0x1F-0xFFFFFFFF>
*/
#define SAU_INIT_END5       0x0000001F
/*
//     <o>Attribute
//         <0=>non-secure
//         <1=>non-secure callable
*/
#define SAU_INIT_NSC5       0
/*
//   </e>
*/

/*
//   <e>SAU region 6
//   <i> Not used
*/
#define SAU_INIT_REGION6    0
/*
//     <o>First address <0-0xFFFFFFE0>
*/
#define SAU_INIT_START6     0x00000000
/*
//     <o>Last address, inclusive <0x1F-0xFFFFFFFF>
*/
#define SAU_INIT_END6       0x0000001F
/*
//     <o>Attribute
//         <0=>non-secure
//         <1=>non-secure callable
*/
#define SAU_INIT_NSC6       0
/*
//   </e>
*/

/*
//   <e>SAU region 7
//   <i> Not used
*/
#define SAU_INIT_REGION7    0
/*
//     <o>First address <0-0xFFFFFFE0>
*/
#define SAU_INIT_START7     0x00000000
/*
//     <o>Last address, inclusive <0x1F-0xFFFFFFFF>
*/
#define SAU_INIT_END7       0x0000001F
/*
//     <o>Attribute
//         <0=>non-secure
//         <1=>non-secure callable
*/
#define SAU_INIT_NSC7       0
/*
//   </e>
*/

/*
// </h>
*/

/*
// <e>Program sleep and exception settings (SCR, AIRCR)
*/
#define SCB_CSR_AIRCR_INIT  1

/*
//   <o> Deep sleep controlled from
//     <0=>both states
//     <1=>the secure state only
*/
#define SCB_CSR_DEEPSLEEPS_VAL      1

/*
//   <o>System reset requests allowed from
//     <0=> both states
//     <1=> the secure state only
*/
#define SCB_AIRCR_SYSRESETREQS_VAL  1

/*
//   <o>Non-secure exception priorities
//     <0=> as programmed
//     <1=> moved to the lower half, 0x80-0xFF
*/
#define SCB_AIRCR_PRIS_VAL          1

/*
//   <o>BusFault, HardFault and NMI are taken in
//     <0=> the secure state
//     <1=> the non-secure state
*/
#define SCB_AIRCR_BFHFNMINS_VAL     0

/*
// </e>
*/

/*
// <e>Program the owner of a single SysTick (ICSR)
*/
#define SCB_ICSR_INIT 0

/*
//   <o> With one SysTick only, it belongs to
//     <0=>the secure state
//     <1=>the non-secure state
*/
#define SCB_ICSR_STTNS_VAL  0

/*
// </e>
*/

/*
// <h>Peripheral and GPIO attribution (SCU)
// <i>A set bit makes the peripheral or GPIO port non-secure.
*/
/*
//   <o>PNSSET0 <0-0xFFFFFFFF>
*/
#define SCU_INIT_PNSSET0_VAL    0x01012200
/*
//   <o>PNSSET1 <0-0xFFFFFFFF>
*/
#define SCU_INIT_PNSSET1_VAL    0x00060000
/*
//   <o>PNSSET2 <0-0xFFFFFFFF>
*/
#define SCU_INIT_PNSSET2_VAL    0x0F0221AA
/*
//   <o>PNSSET3 <0-0xFFFFFFFF>
*/
#define SCU_INIT_PNSSET3_VAL    0x003F001F
/*
//   <o>PNSSET4 <0-0xFFFFFFFF>
*/
#define SCU_INIT_PNSSET4_VAL    0x00070007
/*
//   <o>PNSSET5 <0-0xFFFFFFFF>
*/
#define SCU_INIT_PNSSET5_VAL    0x02330001
/*
//   <o>PNSSET6 <0-0xFFFFFFFF>
*/
#define SCU_INIT_PNSSET6_VAL    0x00030001
/*
//   <o>IONSSET <0-0xFFFFFFFF>
//   <i>Bit n makes GPIO port n non-secure.
*/
#define SCU_INIT_IONSSET_VAL    0x000000FF
/*
//   <o>SRAMNSSET <0-0xFFF>
//   <i>Bit n makes SRAM block n (8 KB from 0x20000000 + n * 0x2000) non-secure;
//   <i>the generator sets the blocks from the SRAM boundary up.
*/
#define SCU_INIT_SRAMNSSET_VAL  0x00000FF0
/*
//   <o>Flash boundary the device must report (FNSADDR) <0-0x80000>
//   <i>Offset of the first non-secure flash page. The flash's own configuration
//   <i>sets the boundary; the set-up stops when it is not this one.
*/
#define SCU_INIT_FNSADDR_VAL    0x00040000
/*
// </h>
*/

/*
// <h>Interrupt target (NVIC ITNS)
// <i>A set bit makes the interrupt target the non-secure state.
*/
/*
//   <e>Write ITNS0 (interrupts 0..31)
*/
#define NVIC_INIT_ITNS0    1
/*
//     <o>ITNS0 <0-0xFFFFFFFF>
*/
#define NVIC_INIT_ITNS0_VAL      0x11FF0040
/*
//   </e>
*/
/*
//   <e>Write ITNS1 (interrupts 32..63)
*/
#define NVIC_INIT_ITNS1    1
/*
//     <o>ITNS1 <0-0xFFFFFFFF>
*/
#define NVIC_INIT_ITNS1_VAL      0x5DFB16F4
/*
//   </e>
*/
/*
//   <e>Write ITNS2 (interrupts 64..95)
*/
#define NVIC_INIT_ITNS2    1
/*
//     <o>ITNS2 <0-0xFFFFFFFF>
*/
#define NVIC_INIT_ITNS2_VAL      0x01F0FD99
/*
//   </e>
*/
/*
//   <e>Write ITNS3 (interrupts 96..127)
*/
#define NVIC_INIT_ITNS3    1
/*
//     <o>ITNS3 <0-0xFFFFFFFF>
*/
#define NVIC_INIT_ITNS3_VAL      0x00000024
/*
//   </e>
*/
/*
// </h>
*/

/*
//-------- <<< end of configuration section >>> -----------------------------
*/

/* Programs one SAU region; limits are inclusive and the low five bits are ignored. */
#define SAU_INIT_REGION(n) \
    SAU->RNR  = (n) & SAU_RNR_REGION_Msk; \
    SAU->RBAR = SAU_INIT_START##n & SAU_RBAR_BADDR_Msk; \
    SAU->RLAR = (SAU_INIT_END##n & SAU_RLAR_LADDR_Msk) | \
                ((SAU_INIT_NSC##n << SAU_RLAR_NSC_Pos) & SAU_RLAR_NSC_Msk) | SAU_RLAR_ENABLE_Msk

/* SAU regions and the secure-only system control settings. */
__STATIC_INLINE void TZ_SAU_Setup(void)
{
#if defined(__SAUREGION_PRESENT) && (__SAUREGION_PRESENT == 1U)
  #if defined(SAU_INIT_REGION0) && (SAU_INIT_REGION0 == 1U)
    SAU_INIT_REGION(0);
  #endif
  #if defined(SAU_INIT_REGION1) && (SAU_INIT_REGION1 == 1U)
    SAU_INIT_REGION(1);
  #endif
  #if defined(SAU_INIT_REGION2) && (SAU_INIT_REGION2 == 1U)
    SAU_INIT_REGION(2);
  #endif
  #if defined(SAU_INIT_REGION3) && (SAU_INIT_REGION3 == 1U)
    SAU_INIT_REGION(3);
  #endif
  #if defined(SAU_INIT_REGION4) && (SAU_INIT_REGION4 == 1U)
    SAU_INIT_REGION(4);
  #endif
  #if defined(SAU_INIT_REGION5) && (SAU_INIT_REGION5 == 1U)
    SAU_INIT_REGION(5);
  #endif
  #if defined(SAU_INIT_REGION6) && (SAU_INIT_REGION6 == 1U)
    SAU_INIT_REGION(6);
  #endif
  #if defined(SAU_INIT_REGION7) && (SAU_INIT_REGION7 == 1U)
    SAU_INIT_REGION(7);
  #endif
#endif

#if defined(SAU_INIT_CTRL) && (SAU_INIT_CTRL == 1U)
    SAU->CTRL = ((SAU_INIT_CTRL_ENABLE << SAU_CTRL_ENABLE_Pos) & SAU_CTRL_ENABLE_Msk) |
                ((SAU_INIT_CTRL_ALLNS << SAU_CTRL_ALLNS_Pos) & SAU_CTRL_ALLNS_Msk);
#endif

#if defined(SCB_CSR_AIRCR_INIT) && (SCB_CSR_AIRCR_INIT == 1U)
    SCB->SCR = (SCB->SCR & ~(SCB_SCR_SLEEPDEEPS_Msk)) |
               ((SCB_CSR_DEEPSLEEPS_VAL << SCB_SCR_SLEEPDEEPS_Pos) & SCB_SCR_SLEEPDEEPS_Msk);

    SCB->AIRCR = (SCB->AIRCR & ~(SCB_AIRCR_VECTKEY_Msk | SCB_AIRCR_SYSRESETREQS_Msk |
                                 SCB_AIRCR_BFHFNMINS_Msk | SCB_AIRCR_PRIS_Msk)) |
                 ((0x05FAUL << SCB_AIRCR_VECTKEY_Pos) & SCB_AIRCR_VECTKEY_Msk) |
                 ((SCB_AIRCR_SYSRESETREQS_VAL << SCB_AIRCR_SYSRESETREQS_Pos) & SCB_AIRCR_SYSRESETREQS_Msk) |
                 ((SCB_AIRCR_PRIS_VAL << SCB_AIRCR_PRIS_Pos) & SCB_AIRCR_PRIS_Msk) |
                 ((SCB_AIRCR_BFHFNMINS_VAL << SCB_AIRCR_BFHFNMINS_Pos) & SCB_AIRCR_BFHFNMINS_Msk);
#endif

#if defined(SCB_ICSR_INIT) && (SCB_ICSR_INIT == 1U)
    SCB->ICSR = (SCB->ICSR & ~(SCB_ICSR_STTNS_Msk)) |
                ((SCB_ICSR_STTNS_VAL << SCB_ICSR_STTNS_Pos) & SCB_ICSR_STTNS_Msk);
#endif

    __DSB();
    __ISB();
}

/* Peripherals and GPIO ports given to the non-secure world. */
__STATIC_INLINE void SCU_Setup(void)
{
    SCU->PNSSET[0] = SCU_INIT_PNSSET0_VAL;
    SCU->PNSSET[1] = SCU_INIT_PNSSET1_VAL;
    SCU->PNSSET[2] = SCU_INIT_PNSSET2_VAL;
    SCU->PNSSET[3] = SCU_INIT_PNSSET3_VAL;
    SCU->PNSSET[4] = SCU_INIT_PNSSET4_VAL;
    SCU->PNSSET[5] = SCU_INIT_PNSSET5_VAL;
    SCU->PNSSET[6] = SCU_INIT_PNSSET6_VAL;
    SCU->IONSSET   = SCU_INIT_IONSSET_VAL;
    SCU->SRAMNSSET = SCU_INIT_SRAMNSSET_VAL;
}

/* Defined by the secure image: called when the flash boundary of the device is not
   the configured one. It must not return; the set-up stops if it does. */
void Partition_FlashBoundaryMismatch(uint32_t configured, uint32_t reported);

/* The SAU split of the flash only holds when the device's own boundary is the same:
   otherwise secure code would lie in non-secure flash, or the non-secure image in
   flash the device keeps secure. */
__STATIC_INLINE void Partition_CheckFlashBoundary(void)
{
    const uint32_t reported = SCU->FNSADDR;

    if (reported != SCU_INIT_FNSADDR_VAL) {
        Partition_FlashBoundaryMismatch(SCU_INIT_FNSADDR_VAL, reported);
        for (;;) {
        }
    }
}

/* Interrupts that target the non-secure state. */
__STATIC_INLINE void TZ_NVIC_Setup(void)
{
#if defined(NVIC_INIT_ITNS0) && (NVIC_INIT_ITNS0 == 1U)
    NVIC->ITNS[0] = NVIC_INIT_ITNS0_VAL;
#endif
#if defined(NVIC_INIT_ITNS1) && (NVIC_INIT_ITNS1 == 1U)
    NVIC->ITNS[1] = NVIC_INIT_ITNS1_VAL;
#endif
#if defined(NVIC_INIT_ITNS2) && (NVIC_INIT_ITNS2 == 1U)
    NVIC->ITNS[2] = NVIC_INIT_ITNS2_VAL;
#endif
#if defined(NVIC_INIT_ITNS3) && (NVIC_INIT_ITNS3 == 1U)
    NVIC->ITNS[3] = NVIC_INIT_ITNS3_VAL;
#endif
}

/* The whole partition, in the order that keeps secure memory covered until the end;
   nothing is programmed when the flash boundary of the device differs. */
__STATIC_INLINE void Partition_Setup(void)
{
    Partition_CheckFlashBoundary();
    SCU_Setup();
    TZ_NVIC_Setup();
    TZ_SAU_Setup();
}

#endif /* PARTITION_V6048_H */
