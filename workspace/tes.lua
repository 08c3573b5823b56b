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
local NEXT_BOOT = H.u32(need("next_boot", "number"))
local NEXT_BOOT_NS = H.u32(need("next_boot_ns", "number"))
local NO_BOOT = 4294967295
local XOMS = H.owned_xom()

local DIR = H.join(fpath, PRJ)
local KEIL = H.join(DIR, "KEIL")
local IAR = H.join(DIR, "IAR")

-- The secure SRAM runs from 0x20000000 for rwsize bytes; this image's data
-- starts at rw inside it.
local RAM_SIZE = (0x20000000 + RWSIZE - RW) % 4294967296
local RW_OUTSIDE = RW < 0x20000000 or RW >= 0x20000000 + RWSIZE
if RW_OUTSIDE then
  warn(PRJ .. ": RW base " .. H.HX(RW) .. " lies outside the secure SRAM")
  RAM_SIZE = 0
end
-- Bytes the linker files reserve in the data region, one entry per file read.
local RESERVED = {}

-- The SAU regions of the whole generation, planned by the tool in the order the
-- partition header programs them; nil when the NSC areas need more regions than
-- the SAU has (the tool reports that failure itself).
local SAU = sauregions()

-- The veneers go only where an SAU region marks this project's NSC area non-secure
-- callable: the whole 32-byte granules inside it. Returns base and size.
local function veneer_area()
  if NSCSIZE == 0 or not SAU then return NSC, NSCSIZE end
  local first, last = NSC, NSC + NSCSIZE
  for _, r in ipairs(SAU) do
    if r.nsc and r.base < last and r.limit + 1 > first then
      local base, top = math.max(first, r.base), math.min(last, r.limit + 1)
      if base ~= first or top ~= last then
        warn(PRJ .. ": the NSC area " .. H.HX(NSC) .. " (" .. H.HX(NSCSIZE) .. " bytes) is not 32-byte aligned; " ..
             "the veneers go to " .. H.HX(base) .. " (" .. H.HX(top - base) .. " bytes), " ..
             "the part the SAU can mark non-secure callable")
      end
      return base, top - base
    end
  end
  fail(PRJ .. ": the NSC area " .. H.HX(NSC) .. " (" .. H.HX(NSCSIZE) .. " bytes) holds no whole 32-byte granule, " ..
       "so no SAU region can make its veneers callable")
  return NSC, NSCSIZE
end
local VENEER_BASE, VENEER_SIZE = veneer_area()

local LIB_KEIL = PRJ .. "_CMSE_Lib.o"
local LIB_IAR = PRJ .. "_CMSE_Lib_IAR.o"
local NSC_HEADER = PRJ .. "_nsc.h"
local FLASH_TOOLS = H.bsp_flash_tools(DIR)

-- The import library a secure link writes; one that an earlier build left is read
-- back in, so that the veneers keep their addresses and non-secure images linked
-- against it keep working. The linkers read it before they write the new one.
local function import_library_options(lib_name, spelling, path)
  local opts = { "--import_cmse_lib_out" .. spelling .. path }
  if H.exists(H.join(DIR, "nsclib", lib_name)) then
    opts[#opts + 1] = "--import_cmse_lib_in" .. spelling .. path
  end
  return opts
end

local function is_import_library_option(item)
  return item:match("^%-%-import[_%-]cmse[_%-]lib[_%-]") ~= nil
end

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
      local items = {}
      for item in misc:gmatch("%S+") do items[#items + 1] = item end
      return table.concat(H.replace_options(items, is_import_library_option,
        import_library_options(LIB_KEIL, "=", "..\\nsclib\\" .. LIB_KEIL)), " ")
    end,
  })
  head = H.set_keil_download(head, FLASH_TOOLS.keil)
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

  tail = H.rename_keil_sources(tail, "main_" .. PRJ .. ".c")
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
  s = H.set_keil_flash_algorithm(s, FLASH_TOOLS.keil, 0)
  H.writeall(path, s)
end

-- The images the boot reaches after this one, in boot order, with the paths of
-- their Keil and IAR images.
local function chain_images()
  local list = {}
  for _, image in ipairs(bootchain()) do
    local n = image.name
    local iar_dir = image.ns and "IAR\\Debug\\Exe" or "nsclib"
    list[#list + 1] = {
      name = n,
      keil = "..\\..\\" .. n .. "\\KEIL\\Objects\\" .. n .. ".axf",
      iar = "$PROJ_DIR$\\..\\..\\" .. n .. "\\" .. iar_dir .. "\\" .. n .. ".out",
    }
  end
  return list
end
local CHAIN = chain_images()

-- Images of the debug session: every image the boot reaches from this one, then
-- this image itself, so the debugger starts with this image's reset and every
-- image carries symbols.
local function edit_debug_ini()
  local path = H.join(KEIL, "Debug.ini")
  local s = H.readall(path) or "RESET\n"
  local eol = H.eol_of(s)
  s = s:gsub("[ \t]*LOAD[^\n]*\n", "")
  local loads = {}
  for _, image in ipairs(CHAIN) do loads[#loads + 1] = "LOAD \"" .. image.keil .. "\" incremental" end
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

-- The GDB session of the GCC build, as Debug.ini is uVision's: this image's symbols,
-- every image the boot reaches loaded with its symbols, then this image loaded.
local function edit_gdb_script()
  local path = H.join(DIR, "GCC", "debug.gdb")
  local s = H.read_required(path)
  if not s then return end
  local function elf(name) return "build/default/" .. name .. "/" .. name .. ".elf" end
  local lines = { "file " .. elf(PRJ) }
  for _, image in ipairs(CHAIN) do
    lines[#lines + 1] = "load " .. elf(image.name)
    lines[#lines + 1] = "add-symbol-file " .. elf(image.name)
  end
  lines[#lines + 1] = "load"
  H.writeall(path, (H.replace_lines_between(s, "# Images of the session.", "# End of images.", lines)))
end

local function edit_scatter()
  local path = fscatter or H.join(KEIL, "secure.sct")
  local s = H.read_required(path)
  if not s then return end
  s = H.set_define(s, "S_ROM_BASE", H.HX(RO))
  s = H.set_define(s, "S_ROM_SIZE", H.HX(ROSIZE))
  s = H.set_define(s, "S_NSC_BASE", H.HX(VENEER_BASE))
  s = H.set_define(s, "S_NSC_SIZE", H.HX(VENEER_SIZE))
  s = H.set_define(s, "S_RAM_BASE", H.HX(RW))
  s = H.set_define(s, "S_RAM_SIZE", H.HX(RAM_SIZE))
  local ok
  s, ok = H.replace_after(s, "; Execute-only regions owned by this image.", H.xom_scatter_lines(XOMS))
  if not ok then warn("no execute-only section in " .. path) end
  RESERVED[#RESERVED + 1] = H.reserved_data(s, H.define_number, "STACK_SIZE", "HEAP_SIZE", 8)
  H.writeall(path, s)
end

local function edit_icf()
  local path = H.join(IAR, "secure.icf")
  local s = H.read_required(path)
  if not s then return end
  local function sym(name, v) s = H.set_assigned(s, H.ICF_SYMBOL, name, v, path) end
  sym("__S_ROM_start", RO)
  sym("__S_ROM_end", RO + ROSIZE - 1)
  sym("__NSC_start", VENEER_BASE)
  sym("__NSC_end", VENEER_BASE + VENEER_SIZE - 1)
  sym("__S_RAM_start", RW)
  sym("__S_RAM_end", RW + RAM_SIZE - 1)
  local ok
  s, ok = H.replace_after(s, "/* Execute-only regions owned by this image. */", H.xom_icf_lines(XOMS))
  if not ok then warn("no execute-only section in " .. path) end
  RESERVED[#RESERVED + 1] = H.reserved_data(s, H.icf_number, "__STACK_size", "__HEAP_size", 8)
  H.writeall(path, s)
end

-- The GNU linker script: the same regions as the scatter file and the icf.
local function edit_ld_script()
  RESERVED[#RESERVED + 1] = H.fill_ld_script(H.join(DIR, "GCC", "secure.ld"), {
    { "S_ROM_BASE", RO }, { "S_ROM_SIZE", ROSIZE }, { "S_NSC_BASE", VENEER_BASE }, { "S_NSC_SIZE", VENEER_SIZE },
    { "S_RAM_BASE", RW }, { "S_RAM_SIZE", RAM_SIZE },
  }, XOMS, 8)
end

-- The CMake project: its name, the BSP, the execute-only files and the veneer base
-- that names the import library a relink reads back in.
local function edit_cmake_project()
  H.fill_cmake_project(DIR, {
    { "TZ_NAME", PRJ }, { "TZ_BSP", H.cmake_quoted(H.bsp_ref_cmake()) },
    { "TZ_XOM_REGIONS", H.cmake_xom_list(XOMS) }, { "TZ_VENEER_BASE", H.HX(VENEER_BASE) },
  })
end

local function edit_ewp()
  local path = H.join(IAR, PRJ .. ".ewp")
  local s = H.read_required(path)
  if not s then return end
  local inc = iar_includes()
  for _, v in ipairs(H.iar_states(s, "CCIncludePath2") or {}) do
    if not H.is_bsp_include(v) and v ~= "$PROJ_DIR$\\..\\.." and not H.list_contains(inc, v) then inc[#inc + 1] = v end
  end
  -- The compiler's secure-state extensions and the import library, as command-line
  -- options: the project format of the template has no TrustZone settings of its own.
  s = H.set_iar_options(s, {
    { "IExtraOptionsCheck", "1" },
    { "IExtraOptions", H.replace_options(H.iar_states(s, "IExtraOptions") or {},
      function(v) return v == "--cmse" end, { "--cmse" }) },
    { "IlinkOutputFile", PRJ .. ".out" },
    { "IlinkIcfOverride", "1" },
    { "IlinkIcfFile", "$PROJ_DIR$\\secure.icf" },
    { "IlinkUseExtraOptions", "1" },
    { "IlinkExtraOptions", H.replace_options(H.iar_states(s, "IlinkExtraOptions") or {},
      is_import_library_option, import_library_options(LIB_IAR, " ", "$PROJ_DIR$\\..\\nsclib\\" .. LIB_IAR)) },
    -- The image is written into the output folder, beside the import library and the
    -- prototype header.
    { "ExePath", "..\\nsclib" },
    { "CCIncludePath2", inc },
  })

  s = H.rename_iar_sources(s, "main_" .. PRJ .. ".c")
  local files = {}
  for _, x in ipairs(XOMS) do files[#files + 1] = H.iar_file("$PROJ_DIR$\\..\\xom" .. x.k .. "_func.c", true) end
  s = H.set_iar_group(s, "XOM", files)
  H.writeall(path, s)
end

-- C-SPY downloads the images the boot reaches with this one, so one session
-- debugs the whole chain; it has room for three.
local function edit_ewd()
  local path = H.join(IAR, PRJ .. ".ewd")
  local s = H.read_required(path)
  if not s then return end
  local options = {}
  for n = 1, 3 do
    local image = CHAIN[n]
    options[#options + 1] = { "OCImagesUse" .. n, image and "1" or "0" }
    options[#options + 1] = { "OCImagesPath" .. n, image and image.iar or "" }
    options[#options + 1] = { "OCImagesOffset" .. n, image and "0" or "" }
  end
  options[#options + 1] = { "OCDownloadExtraImage", CHAIN[1] and "1" or "0" }
  s = H.set_iar_options(s, options)
  s = H.set_iar_download(s, FLASH_TOOLS.iar)
  if #CHAIN > 3 then
    local rest = {}
    for n = 4, #CHAIN do rest[#rest + 1] = CHAIN[n].name end
    warn(PRJ .. ": the IAR debug session downloads three further images of the boot chain; " ..
         "load " .. table.concat(rest, ", ") .. " yourself (C-SPY macro __loadImage)")
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
  return H.replace_word(s, "Secure_NscEntry", PRJ .. "_NscEntry")
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

-- SRAMNSSET: one bit per 8 KB block of the SRAM, set from the SRAM boundary up.
local function sram_nonsecure_blocks()
  local first = math.floor((NSSRAMBA - 0x30000000) / 0x2000)
  return 4096 - 2 ^ first
end

-- The SAU regions of the plan in their slots, the unused slots off; without a plan
-- every slot is off and the header stops the build with its reason.
local function edit_partition()
  local path = fpartition or H.join(fpath, "partition_V6048.h")
  local s = H.read_required(path)
  if not s then return end
  local defines = { { "SAU_REGIONS_OVERFLOW", SAU and "0" or "1" } }
  local function define(name, value) defines[#defines + 1] = { name, value } end
  for n = 0, 7 do
    local r = SAU and SAU[n + 1]
    define("SAU_INIT_REGION" .. n, r and "1" or "0")
    define("SAU_INIT_START" .. n, H.HX(r and r.base or 0))
    define("SAU_INIT_END" .. n, H.HX(r and r.limit or 0x1F))
    define("SAU_INIT_NSC" .. n, (r and r.nsc) and "1" or "0")
  end
  for n = 0, 6 do
    define("SCU_INIT_PNSSET" .. n .. "_VAL", H.HX(need("pnsset" .. n, "number")))
  end
  define("SCU_INIT_IONSSET_VAL", H.HX(need("ionsset", "number")))
  define("SCU_INIT_SRAMNSSET_VAL", H.HX(sram_nonsecure_blocks()))
  define("SCU_INIT_FNSADDR_VAL", H.HX(NSBA - 0x10000000))
  for n = 0, 3 do
    define("NVIC_INIT_ITNS" .. n .. "_VAL", H.HX(need("intnsset" .. n, "number")))
  end
  s = H.set_defines(s, defines)
  H.writeall(path, s)
end

edit_uvprojx()
edit_uvoptx()
edit_debug_ini()
edit_gdb_script()
edit_scatter()
edit_icf()
edit_ld_script()
edit_cmake_project()
edit_ewp()
edit_ewd()
edit_project_eww()
edit_main()
write_nsc_header()
for _, x in ipairs(XOMS) do H.fill_xom_files(DIR, x) end
edit_partition()
if not RW_OUTSIDE then H.check_data_room(PRJ, RW, RAM_SIZE, RESERVED) end
H.add_to_workspaces(PRJ, true)

H.remove_template_copies(DIR, "Secure", PRJ, "main.c", fmain)
