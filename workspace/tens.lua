-- tens.lua: fills one generated non-secure project with the values of the
-- partition configuration and links it against the secure projects' import
-- libraries. The tool copies the template tree and sets the globals; this
-- script edits the copies in place. Every edit rewrites only the values this
-- script owns, found by pattern, so a second run over the same tree lands the
-- same values and leaves everything else, user edits included, as it was.

-- The helpers shared with tes.lua lie in the template directory.
local H = dofile(table.concat({ "ZQD", "tzedit.lua" }, package.config:sub(1, 1)))

------------------------------------------------------------------------------
-- The non-secure project
------------------------------------------------------------------------------

local function need(name, kind)
  local v = _G[name]
  if type(v) ~= kind then error("tens.lua: global " .. name .. " missing or not a " .. kind) end
  return v
end

local PRJ = need("prjname", "string")
need("fpath", "string")
need("fmain", "string")
need("rpath", "string")

local RO, ROSIZE, RW = H.u32(need("ro", "number")), H.u32(need("rosize", "number")), H.u32(need("rw", "number"))
local NEXT_BOOT = H.u32(need("next_boot", "number"))
local NO_BOOT = 4294967295
local NS_SRAM_END = 0x30018000
local XOMS = H.owned_xom()

-- The secure projects whose import libraries this image links, in their order.
local LIBS = {}
for j = 0, 99 do
  local v = _G["nsclib" .. j]
  if type(v) ~= "string" then break end
  if v ~= "" then LIBS[#LIBS + 1] = v end
end

local DIR = H.join(fpath, PRJ)
local KEIL = H.join(DIR, "KEIL")
local IAR = H.join(DIR, "IAR")

-- Data runs from rw to the end of the non-secure SRAM.
local RAM_SIZE = 0
local RW_OUTSIDE = not (RW >= 0x30000000 and RW < NS_SRAM_END)
if RW_OUTSIDE then warn(PRJ .. ": RW base " .. H.HX(RW) .. " leaves no non-secure SRAM")
else RAM_SIZE = NS_SRAM_END - RW end
-- Bytes the linker files reserve in the data region, one entry per file read.
local RESERVED = {}
local FLASH_TOOLS = H.bsp_flash_tools(DIR)

-- A non-secure image can only start another non-secure one.
local BOOT = NO_BOOT
if NEXT_BOOT ~= NO_BOOT then
  if NEXT_BOOT >= 0x10000000 and NEXT_BOOT < 0x10080000 then
    BOOT = NEXT_BOOT
  else
    warn(PRJ .. ": a non-secure image cannot start the secure image at " .. H.HX(NEXT_BOOT) ..
         "; it boots nothing")
  end
end

local function lib_dir(name) return "..\\..\\" .. name .. "\\nsclib" end

local function is_nsclib_dir(item)
  return H.win(item):match("^%.%.\\%.%.\\[%w_]+\\nsclib\\?$") ~= nil
end

local function keil_includes()
  local r = H.bsp_ref()
  local t = {}
  for _, tail in ipairs(H.BSP_INCLUDE_TAILS) do t[#t + 1] = r .. tail end
  for _, l in ipairs(LIBS) do t[#t + 1] = lib_dir(l) end
  return t
end

local function iar_includes()
  local r = H.bsp_ref_iar()
  local t = {}
  for _, tail in ipairs(H.BSP_INCLUDE_TAILS) do t[#t + 1] = r .. tail end
  for _, l in ipairs(LIBS) do t[#t + 1] = "$PROJ_DIR$\\" .. lib_dir(l) end
  return t
end

local function edit_uvprojx()
  local path = H.join(KEIL, PRJ .. ".uvprojx")
  local s = H.read_required(path)
  if not s then return end
  local g = s:find("<Groups>", 1, true) or #s + 1
  local head, tail = s:sub(1, g - 1), s:sub(g)

  head = H.set_uvision_target(head, {
    name = PRJ, secure = false, ro = RO, rosize = ROSIZE, nsc = 0, nscsize = 0, rw = RW, ramsize = RAM_SIZE,
    scatter = ".\\nonsecure.sct",
    -- A non-secure image exports no import library.
    misc = function(misc)
      return (misc:gsub("%s*%-%-import[_%-]cmse[_%-]lib[_%-]out[= ]%S+", ""):gsub("^%s+", ""))
    end,
  })
  head = H.edit_block(head, "Cads", function(blk)
    return (blk:gsub("(<IncludePath>)([^<]*)(</IncludePath>)", function(o, inc, c)
      return o .. H.xesc(H.merge_keil_includes(H.xunesc(inc), keil_includes(), function(item)
        return H.is_bsp_include(item) or is_nsclib_dir(item)
      end)) .. c
    end, 1))
  end)

  tail = H.rename_keil_sources(tail, "main_" .. PRJ .. ".c")
  local files = {}
  for _, x in ipairs(XOMS) do
    files[#files + 1] = H.keil_file("xom" .. x.k .. "_func.c", 1, "..\\xom" .. x.k .. "_func.c", H.KEIL_XO_OPTION)
  end
  tail = H.set_keil_group(tail, "XOM", files)
  local libs = {}
  for _, l in ipairs(LIBS) do
    libs[#libs + 1] = H.keil_file(l .. "_CMSE_Lib.o", 3, lib_dir(l) .. "\\" .. l .. "_CMSE_Lib.o")
  end
  tail = H.set_keil_group(tail, "CMSE Library", libs)
  head = H.set_keil_download(head, FLASH_TOOLS.keil)
  H.writeall(path, head .. tail)
end

local function edit_uvoptx()
  local path = H.join(KEIL, PRJ .. ".uvoptx")
  local s = H.read_required(path)
  if not s then return end
  s = s:gsub("(<Target>%s*<TargetName>)[^<]*(</TargetName>)", "%1" .. H.resc(H.xesc(PRJ)) .. "%2", 1)
  s = H.set_keil_flash_algorithm(s, FLASH_TOOLS.keil, 0x10000000)
  H.writeall(path, s)
end

local function edit_scatter()
  local path = H.join(KEIL, "nonsecure.sct")
  local s = H.read_required(path)
  if not s then return end
  s = H.set_define(s, "NS_ROM_BASE", H.HX(RO))
  s = H.set_define(s, "NS_ROM_SIZE", H.HX(ROSIZE))
  s = H.set_define(s, "NS_RAM_BASE", H.HX(RW))
  s = H.set_define(s, "NS_RAM_SIZE", H.HX(RAM_SIZE))
  local ok
  s, ok = H.replace_after(s, "; Execute-only regions owned by this image.", H.xom_scatter_lines(XOMS))
  if not ok then warn("no execute-only section in " .. path) end
  RESERVED[#RESERVED + 1] = H.reserved_data(s, H.define_number, "STACK_SIZE", "HEAP_SIZE", 0)
  H.writeall(path, s)
end

local function edit_icf()
  local path = H.join(IAR, "nonsecure.icf")
  local s = H.read_required(path)
  if not s then return end
  local function sym(name, v) s = H.set_assigned(s, H.ICF_SYMBOL, name, v, path) end
  sym("__NS_ROM_start", RO)
  sym("__NS_ROM_end", RO + ROSIZE - 1)
  sym("__NS_RAM_start", RW)
  sym("__NS_RAM_end", RW + RAM_SIZE - 1)
  local ok
  s, ok = H.replace_after(s, "/* Execute-only regions owned by this image. */", H.xom_icf_lines(XOMS))
  if not ok then warn("no execute-only section in " .. path) end
  RESERVED[#RESERVED + 1] = H.reserved_data(s, H.icf_number, "__STACK_size", "__HEAP_size", 0)
  H.writeall(path, s)
end

-- The GNU linker script: the same regions as the scatter file and the icf.
local function edit_ld_script()
  RESERVED[#RESERVED + 1] = H.fill_ld_script(H.join(DIR, "GCC", "nonsecure.ld"), {
    { "NS_ROM_BASE", RO }, { "NS_ROM_SIZE", ROSIZE }, { "NS_RAM_BASE", RW }, { "NS_RAM_SIZE", RAM_SIZE },
  }, XOMS, 0)
end

-- The CMake project: its name, the BSP, the execute-only files and the secure
-- images whose import libraries it links.
local function edit_cmake_project()
  local libs = #LIBS > 0 and table.concat(LIBS, " ") or "\"\""
  H.fill_cmake_project(DIR, {
    { "TZ_NAME", PRJ }, { "TZ_BSP", H.cmake_quoted(H.bsp_ref_cmake()) },
    { "TZ_XOM_REGIONS", H.cmake_xom_list(XOMS) }, { "TZ_SECURE_LIBRARIES", libs },
  })
end

local function edit_ewp()
  local path = H.join(IAR, PRJ .. ".ewp")
  local s = H.read_required(path)
  if not s then return end
  local inc = iar_includes()
  for _, v in ipairs(H.iar_states(s, "CCIncludePath2") or {}) do
    local rel = v:gsub("^%$PROJ_DIR%$\\", "")
    if not H.is_bsp_include(v) and not is_nsclib_dir(rel) and not H.list_contains(inc, v) then inc[#inc + 1] = v end
  end
  local libs = {}
  for _, l in ipairs(LIBS) do libs[#libs + 1] = "$PROJ_DIR$\\" .. lib_dir(l) .. "\\" .. l .. "_CMSE_Lib_IAR.o" end
  for _, v in ipairs(H.iar_states(s, "IlinkAdditionalLibs") or {}) do
    if not v:match("\\nsclib\\[%w_]+_CMSE_Lib_IAR%.o$") and not H.list_contains(libs, v) then libs[#libs + 1] = v end
  end
  -- A non-secure image is built without the secure-state extensions and writes no
  -- import library.
  s = H.set_iar_options(s, {
    { "IExtraOptions", H.replace_options(H.iar_states(s, "IExtraOptions") or {},
      function(v) return v == "--cmse" end, {}) },
    { "IlinkExtraOptions", H.replace_options(H.iar_states(s, "IlinkExtraOptions") or {},
      function(v) return v:match("^%-%-import[_%-]cmse[_%-]lib[_%-]") ~= nil end, {}) },
    { "IlinkOutputFile", PRJ .. ".out" },
    { "IlinkIcfOverride", "1" },
    { "IlinkIcfFile", "$PROJ_DIR$\\nonsecure.icf" },
    { "CCIncludePath2", inc },
    { "IlinkAdditionalLibs", libs },
  })

  s = H.rename_iar_sources(s, "main_" .. PRJ .. ".c")
  local files = {}
  for _, x in ipairs(XOMS) do files[#files + 1] = H.iar_file("$PROJ_DIR$\\..\\xom" .. x.k .. "_func.c", true) end
  s = H.set_iar_group(s, "XOM", files)
  H.writeall(path, s)
end

-- C-SPY downloads only through a flash loader of the BSP.
local function edit_ewd()
  local path = H.join(IAR, PRJ .. ".ewd")
  local s = H.read_required(path)
  if not s then return end
  H.writeall(path, H.set_iar_download(s, FLASH_TOOLS.iar))
end

local function edit_project_eww()
  local path = H.join(IAR, PRJ .. ".eww")
  local s = H.read_required(path)
  if not s then return end
  s = s:gsub("(<path>%$WS_DIR%$\\)[^<]*(%.ewp</path>)", "%1" .. H.resc(H.xesc(PRJ)) .. "%2", 1)
  H.writeall(path, s)
end

local function edit_main()
  local s = H.read_required(fmain)
  if not s then return end
  s = s:gsub("(image of the project )[%w_]+", "%1" .. H.resc(PRJ), 1)
  s = H.set_define(s, "NEXT_BOOT_BASE", H.HX(BOOT) .. "UL")
  local includes, calls = {}, {}
  for j, l in ipairs(LIBS) do
    includes[#includes + 1] = "#include \"" .. l .. "_nsc.h\""
    calls[#calls + 1] = "g_results[" .. (j - 1) .. "] = " .. l .. "_NscEntry(g_buffer, sizeof g_buffer);"
  end
  s = H.replace_lines_between(s, "/* Services of the secure images. */",
    "/* End of services of the secure images. */", includes)
  s = H.replace_lines_between(s, "/* Calls of the secure services. */",
    "/* End of calls of the secure services. */", calls)
  s = H.fill_main_xom(s, XOMS)
  H.writeall(fmain, s)
end

edit_uvprojx()
edit_uvoptx()
edit_scatter()
edit_icf()
edit_ld_script()
edit_cmake_project()
edit_ewp()
edit_ewd()
edit_project_eww()
edit_main()
for _, x in ipairs(XOMS) do H.fill_xom_files(DIR, x) end
if not RW_OUTSIDE then H.check_data_room(PRJ, RW, RAM_SIZE, RESERVED) end
H.add_to_workspaces(PRJ, false)

H.remove_template_copies(DIR, "Nonsecure", PRJ, "main_ns.c", fmain)
