-- tes.lua: fills one generated secure project with the values of the partition
-- configuration. The tool copies the template tree and sets the globals; this
-- script edits the copies in place. Every edit rewrites only the values this
-- script owns, found by pattern, so a second run over the same tree lands the
-- same values and leaves everything else, user edits included, as it was.

-- The helpers shared with tens.lua lie in the template directory.
local H = dofile(table.concat({ "ZQD", "tzedit.lua" }, package.config:sub(1, 1)))

------------------------------------------------------------------------------
-- The secure project
------------------------------------------------------------------------------

local function need(name, kind)
  local v = _G[name]
  if type(v) ~= kind then error("tes.lua: global " .. name .. " missing or not a " .. kind) end
  return v
end

local PRJ = need("prjname", "string")
need("fpath", "string")
need("fmain", "string")
need("rpath", "string")

local RO, ROSIZE, RW = H.u32(need("ro", "number")), H.u32(need("rosize", "number")), H.u32(need("rw", "number"))
local RWSIZE = H.u32(need("rwsize", "number"))
local NSC, NSCSIZE = H.u32(need("nsc", "number")), H.u32(need("nscsize", "number"))
local NSBA, NSSRAMBA = H.u32(need("nsba", "number")), H.u32(need("nssramba", "number"))
local ALL_NSC, ALL_NSCSIZE = H.u32(need("all_nsc", "number")), H.u32(need("all_nscsize", "number"))
local NEXT_BOOT = H.u32(need("next_boot", "number"))
local NEXT_BOOT_NS = H.u32(need("next_boot_ns", "number"))
local NEXT_NAME = str_next_boot or ""
local NO_BOOT = 4294967295
local XOMS = H.owned_xom()

local DIR = H.join(fpath, PRJ)
local KEIL = H.join(DIR, "KEIL")
local IAR = H.join(DIR, "IAR")

-- The secure SRAM runs from 0x20000000 for rwsize bytes; this image's data
-- starts at rw inside it.
local RAM_SIZE = (0x20000000 + RWSIZE - RW) % 4294967296
if RW < 0x20000000 or RW >= 0x20000000 + RWSIZE then
  print("tes.lua: RW base " .. H.HX(RW) .. " lies outside the secure SRAM")
  RAM_SIZE = 0
end

local LIB_KEIL = PRJ .. "_CMSE_Lib.o"
local LIB_IAR = PRJ .. "_CMSE_Lib_IAR.o"
local NSC_HEADER = PRJ .. "_nsc.h"

local function keil_includes()
  local r = H.bsp_ref()
  local t = {}
  for _, tail in ipairs(H.BSP_INCLUDE_TAILS) do t[#t + 1] = r .. tail end
  t[#t + 1] = "..\\.."
  return t
end

local function iar_includes()
  local r = H.bsp_ref_iar()
  local t = {}
  for _, tail in ipairs(H.BSP_INCLUDE_TAILS) do t[#t + 1] = r .. tail end
  t[#t + 1] = "$PROJ_DIR$\\..\\.."
  return t
end

local function edit_uvprojx()
  local path = H.join(KEIL, PRJ .. ".uvprojx")
  local s = H.read_required(path)
  if not s then return end
  local g = s:find("<Groups>", 1, true) or #s + 1
  local head, tail = s:sub(1, g - 1), s:sub(g)

  head = H.set_uvision_target(head, {
    name = PRJ, secure = true, ro = RO, rosize = ROSIZE, nsc = NSC, nscsize = NSCSIZE, rw = RW, ramsize = RAM_SIZE,
    scatter = ".\\secure.sct",
    misc = function(misc)
      local opt = "--import_cmse_lib_out=..\\nsclib\\" .. LIB_KEIL
      local m, n = misc:gsub("%-%-import[_%-]cmse[_%-]lib[_%-]out[= ]%S+", H.resc(opt))
      if n == 0 then m = (misc ~= "" and (misc .. " ") or "") .. opt end
      return m
    end,
  })
  head = H.edit_block(head, "Cads", function(blk)
    -- CMSE on whatever the IDE derives from the software model.
    blk = blk:gsub("(<MiscControls>)([^<]*)(</MiscControls>)", function(o, misc, c)
      if (" " .. misc .. " "):find("%s%-mcmse%s") then return o .. misc .. c end
      return o .. (misc ~= "" and (misc .. " ") or "") .. "-mcmse" .. c
    end, 1)
    return (blk:gsub("(<IncludePath>)([^<]*)(</IncludePath>)", function(o, inc, c)
      return o .. H.xesc(H.merge_keil_includes(H.xunesc(inc), keil_includes(), function(item)
        return H.is_bsp_include(item) or item == "..\\.."
      end)) .. c
    end, 1))
  end)

  local main = "main_" .. PRJ .. ".c"
  tail = tail:gsub("(<FileName>)main_[%w_]*%.c(</FileName>)", "%1" .. H.resc(main) .. "%2")
  tail = tail:gsub("(<FilePath>%.%.\\)main_[%w_]*%.c(</FilePath>)", "%1" .. H.resc(main) .. "%2")
  tail = tail:gsub("(<FilePath>)[^<]-(Library\\Device\\Quorvex\\V6048\\Source\\[%w_]+%.c</FilePath>)",
    "%1" .. H.resc(H.xesc(H.bsp_ref())) .. "%2")
  local files = {}
  for _, x in ipairs(XOMS) do
    files[#files + 1] = H.keil_file("xom" .. x.k .. "_func.c", 1, "..\\xom" .. x.k .. "_func.c", H.KEIL_XO_OPTION)
  end
  tail = H.set_keil_group(tail, "XOM", files)
  H.writeall(path, head .. tail)
end

local function edit_uvoptx()
  local path = H.join(KEIL, PRJ .. ".uvoptx")
  local s = H.read_required(path)
  if not s then return end
  s = s:gsub("(<Target>%s*<TargetName>)[^<]*(</TargetName>)", "%1" .. H.resc(H.xesc(PRJ)) .. "%2", 1)
  -- The initialization file loads the images; the debugger must not load one itself.
  s = H.set_tag(s, "tLdApp", "0", 1)
  s = H.set_tag(s, "tIfile", ".\\Debug.ini", 1)
  H.writeall(path, s)
end

-- Images of the debug session, next image first: the debugger then starts with
-- this image's reset and both carry symbols.
local function edit_debug_ini()
  local path = H.join(KEIL, "Debug.ini")
  local s = H.readall(path) or "RESET\n"
  local eol = H.eol_of(s)
  s = s:gsub("[ \t]*LOAD[^\n]*\n", "")
  local loads = {}
  if NEXT_BOOT ~= NO_BOOT and NEXT_NAME ~= "" and NEXT_NAME ~= PRJ then
    loads[#loads + 1] = "LOAD \"..\\..\\" .. NEXT_NAME .. "\\KEIL\\Objects\\" .. NEXT_NAME .. ".axf\" incremental"
  end
  loads[#loads + 1] = "LOAD \".\\Objects\\" .. PRJ .. ".axf\" incremental"
  local text = table.concat(loads, eol) .. eol
  local a = s:find("\n[ \t]*RESET")
  if s:sub(1, 5) == "RESET" then a = 0 end
  if a then
    s = s:sub(1, a) .. text .. s:sub(a + 1)
  else
    s = s .. text .. "RESET" .. eol
  end
  H.writeall(path, s)
end

local function edit_scatter()
  local path = fscatter or H.join(KEIL, "secure.sct")
  local s = H.read_required(path)
  if not s then return end
  s = H.set_define(s, "S_ROM_BASE", H.HX(RO))
  s = H.set_define(s, "S_ROM_SIZE", H.HX(ROSIZE))
  s = H.set_define(s, "S_NSC_BASE", H.HX(NSC))
  s = H.set_define(s, "S_NSC_SIZE", H.HX(NSCSIZE))
  s = H.set_define(s, "S_RAM_BASE", H.HX(RW))
  s = H.set_define(s, "S_RAM_SIZE", H.HX(RAM_SIZE))
  local ok
  s, ok = H.replace_after(s, "; Execute-only regions owned by this image.", H.xom_scatter_lines(XOMS))
  if not ok then print("no execute-only section in " .. path) end
  H.writeall(path, s)
end

local function edit_icf()
  local path = H.join(IAR, "secure.icf")
  local s = H.read_required(path)
  if not s then return end
  local function sym(name, v)
    local r, n = s:gsub("(define%s+symbol%s+" .. name .. "%s*=%s*)0[xX]%x+", "%1" .. H.HX(v), 1)
    if n == 0 then print("no symbol " .. name .. " in " .. path) end
    s = r
  end
  sym("__S_ROM_start", RO)
  sym("__S_ROM_end", RO + ROSIZE - 1)
  sym("__NSC_start", NSC)
  sym("__NSC_end", NSC + NSCSIZE - 1)
  sym("__S_RAM_start", RW)
  sym("__S_RAM_end", RW + RAM_SIZE - 1)
  local ok
  s, ok = H.replace_after(s, "/* Execute-only regions owned by this image. */", H.xom_icf_lines(XOMS))
  if not ok then print("no execute-only section in " .. path) end
  H.writeall(path, s)
end

local function edit_ewp()
  local path = H.join(IAR, PRJ .. ".ewp")
  local s = H.read_required(path)
  if not s then return end
  s = H.set_iar_option(s, "TrustZone", "1")
  s = H.set_iar_option(s, "TrustZoneModes", "0")
  s = H.set_iar_option(s, "IlinkOutputFile", PRJ .. ".out")
  s = H.set_iar_option(s, "IlinkIcfOverride", "1")
  s = H.set_iar_option(s, "IlinkIcfFile", "$PROJ_DIR$\\secure.icf")
  s = H.set_iar_option(s, "IlinkTrustzoneImportLibraryOut", LIB_IAR)
  -- The import library is written into the output folder, beside the prototype header.
  s = H.set_iar_option(s, "ExePath", "..\\nsclib")
  local inc = iar_includes()
  for _, v in ipairs(H.iar_states(s, "CCIncludePath2") or {}) do
    if not H.is_bsp_include(v) and v ~= "$PROJ_DIR$\\..\\.." and not H.list_contains(inc, v) then inc[#inc + 1] = v end
  end
  s = H.set_iar_option(s, "CCIncludePath2", inc)

  local main = "main_" .. PRJ .. ".c"
  s = s:gsub("(<name>%$PROJ_DIR%$\\%.%.\\)main_[%w_]*%.c(</name>)", "%1" .. H.resc(main) .. "%2")
  s = s:gsub("(<name>)[^<]-(Library\\Device\\Quorvex\\V6048\\Source\\[%w_]+%.c</name>)",
    "%1" .. H.resc(H.xesc(H.bsp_ref_iar())) .. "%2")
  local files = {}
  for _, x in ipairs(XOMS) do files[#files + 1] = H.iar_file("$PROJ_DIR$\\..\\xom" .. x.k .. "_func.c", true) end
  s = H.set_iar_group(s, "XOM", files)
  H.writeall(path, s)
end

local function edit_ewd()
  local path = H.join(IAR, PRJ .. ".ewd")
  local s = H.read_required(path)
  if not s then return end
  -- The next image of the boot chain is downloaded with this one, so one
  -- session debugs both.
  if NEXT_BOOT ~= NO_BOOT and NEXT_NAME ~= "" and NEXT_NAME ~= PRJ then
    local image
    if NEXT_BOOT_NS == 1 then
      image = "$PROJ_DIR$\\..\\..\\" .. NEXT_NAME .. "\\IAR\\Debug\\Exe\\" .. NEXT_NAME .. ".out"
    else
      image = "$PROJ_DIR$\\..\\..\\" .. NEXT_NAME .. "\\nsclib\\" .. NEXT_NAME .. ".out"
    end
    s = H.set_iar_option(s, "OCImagesUse1", "1")
    s = H.set_iar_option(s, "OCImagesPath1", image)
    s = H.set_iar_option(s, "OCImagesOffset1", "0")
    s = H.set_iar_option(s, "OCImagesSuppressCheck1", "0")
    s = H.set_iar_option(s, "OCDownloadExtraImage", "1")
  else
    s = H.set_iar_option(s, "OCImagesUse1", "0")
    s = H.set_iar_option(s, "OCImagesPath1", "")
    s = H.set_iar_option(s, "OCImagesOffset1", "")
  end
  H.writeall(path, s)
end

local function edit_project_eww()
  local path = H.join(IAR, PRJ .. ".eww")
  local s = H.read_required(path)
  if not s then return end
  s = s:gsub("(<path>%$WS_DIR%$\\)[^<]*(%.ewp</path>)", "%1" .. H.resc(H.xesc(PRJ)) .. "%2", 1)
  H.writeall(path, s)
end

-- The template's entry function takes the project's name; entry functions the
-- developer added under other names stay as they are.
local function rename_template_entry(s)
  return (s:gsub("%f[%w_]Secure_NscEntry%f[^%w_]", H.resc(PRJ) .. "_NscEntry"))
end

local function edit_main()
  local s = H.read_required(fmain)
  if not s then return end
  s = s:gsub("(image of the project )[%w_]+", "%1" .. H.resc(PRJ), 1)
  s = rename_template_entry(s)
  s = H.set_define(s, "NEXT_BOOT_BASE", H.HX(NEXT_BOOT) .. "UL")
  s = H.set_define(s, "NEXT_BOOT_NS", (NEXT_BOOT ~= NO_BOOT and NEXT_BOOT_NS == 1) and "1" or "0")
  s = H.fill_main_xom(s, XOMS)
  H.writeall(fmain, s)
end

-- The prototypes for the non-secure side, beside the import library. A header
-- written by an earlier run holds the developer's own prototypes and is kept;
-- the template only starts it.
local function write_nsc_header()
  local dir = H.join(DIR, "nsclib")
  local template = H.join(dir, "Secure_nsc.h")
  local target = H.join(dir, NSC_HEADER)
  local s = H.read_kept(target) or H.read_required(template)
  if not s then return end
  -- The exact name: two projects may differ only in case.
  local guard = PRJ .. "_NSC_H"
  s = s:gsub("(secure image )[%w_]+", "%1" .. H.resc(PRJ), 1)
  s = rename_template_entry(s)
  s = s:gsub("([ \t]*#ifndef[ \t]+)[%w_]+_NSC_H", "%1" .. H.resc(guard), 1)
  s = s:gsub("([ \t]*#define[ \t]+)[%w_]+_NSC_H", "%1" .. H.resc(guard), 1)
  s = s:gsub("(#endif /%* )[%w_]+_NSC_H", "%1" .. H.resc(guard), 1)
  H.writeall(target, s)
  H.remove_leftover(template, target)
end

local function edit_partition()
  local path = fpartition or H.join(fpath, "partition_V6048.h")
  local s = H.read_required(path)
  if not s then return end
  local has_nsc = ALL_NSCSIZE > 0 and ALL_NSC ~= NO_BOOT
  if has_nsc and (NSC < ALL_NSC or NSC + NSCSIZE > ALL_NSC + ALL_NSCSIZE) then
    print("tes.lua: the NSC region of " .. PRJ .. " lies outside the combined NSC region")
  end
  if has_nsc and ALL_NSC % 32 ~= 0 then
    print("tes.lua: the SAU works in 32-byte granules; NSC base " .. H.HX(ALL_NSC) .. " is rounded down")
  end
  s = H.set_define(s, "SAU_INIT_REGION0", has_nsc and "1" or "0")
  s = H.set_define(s, "SAU_INIT_START0", H.HX(has_nsc and ALL_NSC or 0))
  s = H.set_define(s, "SAU_INIT_END0", H.HX(has_nsc and (ALL_NSC + ALL_NSCSIZE - 1) or 0x1F))
  s = H.set_define(s, "SAU_INIT_NSC0", "1")
  local ns_flash = NSBA < 0x10080000
  s = H.set_define(s, "SAU_INIT_REGION1", ns_flash and "1" or "0")
  s = H.set_define(s, "SAU_INIT_START1", H.HX(ns_flash and NSBA or 0x10080000))
  s = H.set_define(s, "SAU_INIT_END1", H.HX(0x1007FFFF))
  s = H.set_define(s, "SAU_INIT_NSC1", "0")
  local ns_sram = NSSRAMBA < 0x30018000
  s = H.set_define(s, "SAU_INIT_REGION2", ns_sram and "1" or "0")
  s = H.set_define(s, "SAU_INIT_START2", H.HX(ns_sram and NSSRAMBA or 0x30018000))
  s = H.set_define(s, "SAU_INIT_END2", H.HX(0x30017FFF))
  s = H.set_define(s, "SAU_INIT_NSC2", "0")
  for n = 0, 6 do
    s = H.set_define(s, "SCU_INIT_PNSSET" .. n .. "_VAL", H.HX(need("pnsset" .. n, "number")))
  end
  s = H.set_define(s, "SCU_INIT_IONSSET_VAL", H.HX(need("ionsset", "number")))
  for n = 0, 3 do
    s = H.set_define(s, "NVIC_INIT_ITNS" .. n .. "_VAL", H.HX(need("intnsset" .. n, "number")))
  end
  H.writeall(path, s)
end

edit_uvprojx()
edit_uvoptx()
edit_debug_ini()
edit_scatter()
edit_icf()
edit_ewp()
edit_ewd()
edit_project_eww()
edit_main()
write_nsc_header()
for _, x in ipairs(XOMS) do H.fill_xom_files(DIR, x) end
edit_partition()
H.add_to_workspaces(PRJ, true)

H.remove_template_copies(DIR, "Secure", PRJ, "main.c", fmain)
