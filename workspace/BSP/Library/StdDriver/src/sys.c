/* System manager driver of the V6048 (stand-in BSP); the functions are inline in sys.h. */
#include "V6048.h"
