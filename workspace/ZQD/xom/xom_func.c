/*
 * Execute-only code of XOM region 0. It reads no constant data: code in an
 * execute-only region cannot load from itself, so the tool chains build it
 * without literal pools and the arithmetic below needs only small immediates.
 */
#include "xom0_func.h"

uint32_t XOM0_Function(uint32_t value, uint32_t key)
{
    uint32_t round;

    for (round = 0U; round < 8U; round++) {
        value = (value << 5) | (value >> 27);
        value ^= key;
        key = (key >> 3) + value + round;
    }
    return value;
}
