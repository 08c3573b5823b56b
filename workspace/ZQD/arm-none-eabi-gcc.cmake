# Tool chain of the generated projects: Debian's gcc-arm-none-eabi with the
# newlib of libnewlib-arm-none-eabi, for the V6048's Cortex-M23.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR arm)
# No operating system to run a test program on: the compiler checks build a library.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_C_COMPILER arm-none-eabi-gcc)
set(CMAKE_OBJCOPY arm-none-eabi-objcopy CACHE FILEPATH "objcopy of the tool chain")

set(CMAKE_C_FLAGS_INIT "-mcpu=cortex-m23 -mthumb -ffunction-sections -fdata-sections")
# The start-up of the BSP is the whole C run-time start, so GCC's start files stay
# out; newlib-nano with system calls that do nothing.
set(CMAKE_EXE_LINKER_FLAGS_INIT
    "-mcpu=cortex-m23 -mthumb -nostartfiles --specs=nano.specs --specs=nosys.specs -Wl,--gc-sections")
# The optimisation levels of the two presets; both keep the debug information.
set(CMAKE_C_FLAGS_DEBUG_INIT "-O0 -g3")
set(CMAKE_C_FLAGS_RELEASE_INIT "-O2 -g")
