# GDB session of this secure image and of every image its boot reaches, from the
# build of the preset default. Start a GDB server for your probe, then, in the
# output folder:
#   arm-none-eabi-gdb -ex "target extended-remote localhost:3333" -x <project>/GCC/debug.gdb
# (gdb-multiarch works as well). It takes this image's symbols, loads the images
# the boot reaches after it with their symbols, then this image; reset the target
# from the server (for OpenOCD: monitor reset halt) to start the chain.
# Images of the session.
file build/default/Secure/Secure.elf
load
# End of images.
