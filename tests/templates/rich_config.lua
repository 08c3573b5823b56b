-- A configuration that uses every feature of the templates: a secure boot chain
-- of two secure images and two non-secure ones, XOM regions on both sides, and
-- distinct security words.
return {
  out = os.getenv("OUT") or "out",
  bsp = "BSP",
  rpath = "..\\..\\..\\BSP\\",
  nsba = 0x10040000,
  sramnsba = 0x3000A000 - 0x2000,
  words = {
    pnsset0 = 0x1012200, pnsset1 = 0x60000, pnsset2 = 0xF0221AA, pnsset3 = 0x3F001F,
    pnsset4 = 0x70007, pnsset5 = 0x2330001, pnsset6 = 0x30001, ionsset = 0xBF,
    intnsset0 = 0x11FF0040, intnsset1 = 0x5DFB16F4, intnsset2 = 0x1F0FD99, intnsset3 = 0x24,
  },
  xom = {
    { base = 0x10000, size = 0x2000 },
    { base = 0x30000, size = 0x1000 },
    { base = 0x10060000, size = 0x800 },
    { base = 0x7F000, size = 0x800 },
  },
  projects = {
    { name = "NsAux", secure = false, ro = 0x10070000, rosize = 0x10000, rw = 0x30010000 },
    { name = "SecBoot", secure = true, ro = 0x0, rosize = 0x10000, rw = 0x20000000,
      nsc = 0x3E000, nscsize = 0x800, xom = { [0] = true }, next = "SecApp" },
    { name = "SecApp", secure = true, ro = 0x20000, rosize = 0x10000, rw = 0x20004000,
      nsc = 0x3E800, nscsize = 0x800, xom = { [1] = true }, next = "NsApp" },
    { name = "NsApp", secure = false, ro = 0x10040000, rosize = 0x20000, rw = 0x30008000,
      xom = { [2] = true }, next = "NsAux" },
  },
}
