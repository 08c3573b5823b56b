-- tens.lua: fills one generated non-secure project with the values of the
-- partition configuration and links it against the secure projects' import
-- libraries. The tool copies the template tree and sets the globals; this
-- script edits the copies in place. Every edit rewrites only the values this
-- script owns, found by pattern, so a second run over the same tree lands the
-- same values and leaves everything else, user edits included, as it was.

------------------------------------------------------------------------------
-- Helpers (the same in tes.lua and tens.lua)
------------------------------------------------------------------------------

local SEP = package.config:sub(1, 1)

local function join(...)
  return table.concat({ ... }, SEP)
end

local function readall(path)
  local f = io.open(path, "rb")
  if not f then return nil end
  local s = f:read("*a")
  f:close()
  return s
end

-- Writes only when the content changed, so an unchanged file keeps its time stamp.
local function writeall(path, s)
  if readall(path) == s then return true end
  local f = io.open(path, "wb")
  if not f then
    print("cannot write " .. path)
    return false
  end
  f:write(s)
  f:close()
  return true
end

local function exists(path)
  local f = io.open(path, "rb")
  if f then f:close() return true end
  return false
end

-- Line end of a file, so that inserted lines match the ones around them.
local function eol_of(s)
  return s:find("\r\n", 1, true) and "\r\n" or "\n"
end

-- Hexadecimal text of a 32-bit value without going through a C long, which is
-- 32 bits wide (and signed) on some builds.
local function hex(n, width, upper)
  n = math.floor(tonumber(n) or 0) % 4294967296
  local hi, lo = math.floor(n / 65536), n % 65536
  local s
  if hi > 0 then s = string.format("%x%04x", hi, lo) else s = string.format("%x", lo) end
  if width and #s < width then s = string.rep("0", width - #s) .. s end
  if upper then s = s:upper() end
  return s
end
local function hx(n) return "0x" .. hex(n) end            -- uVision memory rows: 0x3f000
local function HX(n) return "0x" .. hex(n, 8, true) end   -- headers, scatter and icf: 0x0003F000

local function u32(n) return math.floor(tonumber(n) or 0) % 4294967296 end

local function pesc(t) return (t:gsub("[%^%$%(%)%%%.%[%]%*%+%-%?]", "%%%0")) end
local function resc(t) return (t:gsub("%%", "%%%%")) end
local function xesc(t)
  return (t:gsub("&", "&amp;"):gsub("<", "&lt;"):gsub(">", "&gt;"):gsub("\"", "&quot;"))
end
local function xunesc(t)
  return (t:gsub("&lt;", "<"):gsub("&gt;", ">"):gsub("&quot;", "\""):gsub("&apos;", "'"):gsub("&amp;", "&"))
end

-- Replaces the text of every <tag>...</tag> in s (or only the first n) with value.
local function set_tag(s, tag, value, n)
  return s:gsub("(<" .. tag .. ">)[^<]*(</" .. tag .. ">)", "%1" .. resc(xesc(value)) .. "%2", n)
end

-- Applies fn to the first <tag>...</tag> block of s.
local function edit_block(s, tag, fn)
  local a, b = s:find("<" .. tag .. ">", 1, true)
  if not a then return s, false end
  local _, d = s:find("</" .. tag .. ">", b, true)
  if not d then return s, false end
  return s:sub(1, a - 1) .. fn(s:sub(a, d)) .. s:sub(d + 1), true
end

-- Sets StartAddress and Size of one uVision memory row.
local function set_memory_row(s, row, start, size)
  return (edit_block(s, row, function(blk)
    blk = set_tag(blk, "StartAddress", hx(start), 1)
    return (set_tag(blk, "Size", hx(size), 1))
  end))
end

-- Indentation of the line on which position pos lies.
local function indent_at(s, pos)
  local line_start = pos
  while line_start > 1 and s:sub(line_start - 1, line_start - 1) ~= "\n" do
    line_start = line_start - 1
  end
  return s:sub(line_start, pos - 1):match("^[ \t]*") or ""
end

-- Replaces the lines between the line holding begin_text and the line holding
-- end_text with the given lines, indented like the begin line. A file whose
-- markers were removed keeps its text.
local function replace_lines_between(s, begin_text, end_text, lines)
  local a, b = s:find(begin_text, 1, true)
  local c = a and s:find(end_text, b + 1, true)
  local body_start = c and s:find("\n", b, true)
  if not body_start or body_start > c then
    print("no block \"" .. begin_text .. "\" ... \"" .. end_text .. "\"; left as it is")
    return s, false
  end
  local eol = eol_of(s)
  local ind = indent_at(s, a)
  local end_line = c
  while end_line > 1 and s:sub(end_line - 1, end_line - 1) ~= "\n" do end_line = end_line - 1 end
  local body = {}
  for _, l in ipairs(lines) do body[#body + 1] = ind .. l .. eol end
  return s:sub(1, body_start) .. table.concat(body) .. s:sub(end_line), true
end

-- Replaces the rest of the file after the line holding marker.
local function replace_after(s, marker, lines)
  local a, b = s:find(marker, 1, true)
  if not a then return s, false end
  local eol = eol_of(s)
  local line_end = s:find("\n", b, true)
  local head = line_end and s:sub(1, line_end) or (s .. eol)
  local body = {}
  for _, l in ipairs(lines) do body[#body + 1] = l .. eol end
  return head .. table.concat(body), true
end

-- Sets the number after "#define NAME" at the start of a line.
local function set_define(s, name, value)
  local r, n = s:gsub("(\n[ \t]*#define[ \t]+" .. name .. "[ \t]+)[%w_]+", "%1" .. resc(value), 1)
  if n == 0 then print("no #define " .. name) end
  return r
end

local function is_absolute(p)
  return p:match("^[\\/]") ~= nil or p:match("^%a:") ~= nil
end

-- Texts inside Keil and IAR files use the backslash.
local function win(p) return (p:gsub("/", "\\")) end

-- The BSP folder as seen from a tool-chain folder, ending in a backslash.
local function bsp_ref()
  local r = win(rpath or "")
  if r ~= "" and r:sub(-1) ~= "\\" then r = r .. "\\" end
  return r
end

-- The same for IAR, whose relative paths are written from $PROJ_DIR$.
local function bsp_ref_iar()
  local r = bsp_ref()
  if is_absolute(r) then return r end
  return "$PROJ_DIR$\\" .. r
end

-- Splits a Keil include list; both ';' and ',' occur in real projects.
local function split_list(text)
  local items = {}
  for item in (text or ""):gmatch("[^;,]+") do
    item = item:match("^%s*(.-)%s*$")
    if item ~= "" then items[#items + 1] = item end
  end
  return items
end

local function list_contains(list, value)
  for _, v in ipairs(list) do if v:lower() == value:lower() then return true end end
  return false
end

-- The include folders of the BSP that the generated sources need.
local BSP_INCLUDE_TAILS = {
  "Library\\Device\\Quorvex\\V6048\\Include",
  "Library\\CMSIS\\Include",
  "Library\\StdDriver\\inc",
}

local function is_bsp_include(item)
  local w = win(item):lower()
  for _, tail in ipairs(BSP_INCLUDE_TAILS) do
    if w:sub(-#tail) == tail:lower() then return true end
  end
  return false
end

-- A Keil include list: ours first (in this order), then every other entry as it was.
local function merge_keil_includes(old_text, ours, is_ours)
  local out = {}
  for _, v in ipairs(ours) do out[#out + 1] = v end
  for _, item in ipairs(split_list(old_text)) do
    if not is_ours(item) and not list_contains(out, item) then out[#out + 1] = item end
  end
  return table.concat(out, ";")
end

-- IAR multi-value option: the states inside <name>NAME</name> ... </option>.
local function iar_states(s, name)
  local blk = s:match("<name>" .. pesc(name) .. "</name>(.-)</option>")
  if not blk then return nil end
  local states = {}
  for v in blk:gmatch("<state>(.-)</state>") do
    if v ~= "" then states[#states + 1] = xunesc(v) end
  end
  return states
end

-- Rewrites an IAR option in every configuration with one <state> per value.
local function set_iar_option(s, name, values)
  if type(values) ~= "table" then values = { values } end
  local eol = eol_of(s)
  return (s:gsub("([ \t]*)<option>(%s*<name>" .. pesc(name) .. "</name>)(%s*<version>%d+</version>)(.-)</option>",
      function(ind, nm, ver, _)
        local inner = ind .. "    "
        local t = { ind .. "<option>" .. nm .. ver }
        for _, v in ipairs(values) do t[#t + 1] = inner .. "<state>" .. xesc(v) .. "</state>" end
        if #values == 0 then t[#t + 1] = inner .. "<state></state>" end
        return table.concat(t, eol) .. eol .. ind .. "</option>"
      end):gsub("([ \t]*)<option>(%s*<name>" .. pesc(name) .. "</name>)([^<]*<state>.-)</option>",
      function(ind, nm, _)
        local inner = ind .. "    "
        local t = { ind .. "<option>" .. nm }
        for _, v in ipairs(values) do t[#t + 1] = inner .. "<state>" .. xesc(v) .. "</state>" end
        if #values == 0 then t[#t + 1] = inner .. "<state></state>" end
        return table.concat(t, eol) .. eol .. ind .. "</option>"
      end))
end

-- Replaces (or adds before </Groups>) the Keil group named name.
local function set_keil_group(s, name, files_xml)
  local eol = eol_of(s)
  local a, b = s:find("[ \t]*<Group>%s*<GroupName>" .. pesc(name) .. "</GroupName>.-</Group>[ \t]*\r?\n")
  local ind = "        "
  local blk = { ind .. "<Group>", ind .. "  <GroupName>" .. name .. "</GroupName>" }
  if #files_xml > 0 then
    blk[#blk + 1] = ind .. "  <Files>"
    for _, f in ipairs(files_xml) do
      for line in f:gmatch("[^\n]+") do blk[#blk + 1] = ind .. "    " .. line end
    end
    blk[#blk + 1] = ind .. "  </Files>"
  end
  blk[#blk + 1] = ind .. "</Group>"
  local text = table.concat(blk, eol) .. eol
  if a then return s:sub(1, a - 1) .. text .. s:sub(b + 1) end
  local g = s:find("[ \t]*</Groups>")
  if not g then return s end
  return s:sub(1, g - 1) .. text .. s:sub(g)
end

local function keil_file(name, ftype, path, option)
  local t = "<File>\n  <FileName>" .. xesc(name) .. "</FileName>\n  <FileType>" .. ftype ..
      "</FileType>\n  <FilePath>" .. xesc(path) .. "</FilePath>\n"
  if option then t = t .. option end
  return t .. "</File>"
end

-- Per-file options that compile one file as execute-only code; every other
-- setting stays inherited (2) from the target.
local KEIL_XO_OPTION = table.concat({
  "  <FileOption>",
  "    <CommonProperty>",
  "      <UseCPPCompiler>2</UseCPPCompiler>",
  "      <RVCTCodeConst>0</RVCTCodeConst>",
  "      <RVCTZI>0</RVCTZI>",
  "      <RVCTOtherData>0</RVCTOtherData>",
  "      <ModuleSelection>0</ModuleSelection>",
  "      <IncludeInBuild>1</IncludeInBuild>",
  "      <AlwaysBuild>2</AlwaysBuild>",
  "      <GenerateAssemblyFile>2</GenerateAssemblyFile>",
  "      <AssembleAssemblyFile>2</AssembleAssemblyFile>",
  "      <PublicsOnly>2</PublicsOnly>",
  "      <StopOnExitCode>11</StopOnExitCode>",
  "      <CustomArgument></CustomArgument>",
  "      <IncludeLibraryModules></IncludeLibraryModules>",
  "      <ComprImg>1</ComprImg>",
  "    </CommonProperty>",
  "    <FileArmAds>",
  "      <Cads>",
  "        <interw>2</interw>",
  "        <Optim>0</Optim>",
  "        <oTime>2</oTime>",
  "        <SplitLS>2</SplitLS>",
  "        <OneElfS>2</OneElfS>",
  "        <Strict>2</Strict>",
  "        <EnumInt>2</EnumInt>",
  "        <PlainCh>2</PlainCh>",
  "        <Ropi>2</Ropi>",
  "        <Rwpi>2</Rwpi>",
  "        <wLevel>0</wLevel>",
  "        <uThumb>2</uThumb>",
  "        <uSurpInc>2</uSurpInc>",
  "        <uC99>2</uC99>",
  "        <uGnu>2</uGnu>",
  "        <useXO>1</useXO>",
  "        <v6Lang>0</v6Lang>",
  "        <v6LangP>0</v6LangP>",
  "        <vShortEn>2</vShortEn>",
  "        <vShortWch>2</vShortWch>",
  "        <v6Lto>2</v6Lto>",
  "        <v6WtE>2</v6WtE>",
  "        <v6Rtti>2</v6Rtti>",
  "        <VariousControls>",
  "          <MiscControls></MiscControls>",
  "          <Define></Define>",
  "          <Undefine></Undefine>",
  "          <IncludePath></IncludePath>",
  "        </VariousControls>",
  "      </Cads>",
  "    </FileArmAds>",
  "  </FileOption>",
}, "\n") .. "\n"

-- Replaces (or adds before </project>) the IAR group named name.
local function set_iar_group(s, name, files)
  local eol = eol_of(s)
  local a, b = s:find("[ \t]*<group>%s*<name>" .. pesc(name) .. "</name>.-</group>[ \t]*\r?\n")
  local ind = "    "
  local blk = { ind .. "<group>", ind .. "    <name>" .. name .. "</name>" }
  for _, f in ipairs(files) do
    for line in f:gmatch("[^\n]+") do blk[#blk + 1] = ind .. "    " .. line end
  end
  blk[#blk + 1] = ind .. "</group>"
  local text = table.concat(blk, eol) .. eol
  if a then return s:sub(1, a - 1) .. text .. s:sub(b + 1) end
  local g = s:find("</project>", 1, true)
  if not g then return s end
  return s:sub(1, g - 1) .. text .. s:sub(g)
end

-- An IAR file entry; an execute-only file is built without literal pools, since
-- code in such a region cannot read constants placed beside it.
local function iar_file(path, execute_only)
  local t = "<file>\n    <name>" .. xesc(path) .. "</name>\n"
  if execute_only then
    t = t .. table.concat({
      "    <configuration>",
      "        <name>Debug</name>",
      "        <settings>",
      "            <name>ICCARM</name>",
      "            <data>",
      "                <version>35</version>",
      "                <wantNonLocal>1</wantNonLocal>",
      "                <debug>1</debug>",
      "                <option>",
      "                    <name>CCNoLiteralPool</name>",
      "                    <state>1</state>",
      "                </option>",
      "            </data>",
      "        </settings>",
      "    </configuration>",
    }, "\n") .. "\n"
  end
  return t .. "</file>"
end

-- The XOM regions the tool assigned to this project: {k, base, size} in order.
local function owned_xom()
  local list = {}
  for k = 0, 3 do
    local base, size = _G["xombase" .. k], _G["xomsize" .. k]
    if base ~= nil and size ~= nil then
      list[#list + 1] = { k = k, base = u32(base), size = u32(size) }
    end
  end
  return list
end

-- Fills the copied xomK_func.c / xomK_func.h for region k.
local function fill_xom_files(dir, x)
  for _, ext in ipairs({ ".c", ".h" }) do
    local path = join(dir, "xom" .. x.k .. "_func" .. ext)
    local s = readall(path)
    if s then
      s = s:gsub("XOM%d_", "XOM" .. x.k .. "_"):gsub("xom%d_func", "xom" .. x.k .. "_func")
           :gsub("XOM%d_FUNC_H", "XOM" .. x.k .. "_FUNC_H"):gsub("XOM region %d", "XOM region " .. x.k)
      if ext == ".h" then
        s = set_define(s, "XOM" .. x.k .. "_BASE", HX(x.base) .. "UL")
        s = set_define(s, "XOM" .. x.k .. "_SIZE", HX(x.size) .. "UL")
      end
      writeall(path, s)
    else
      print("missing " .. path)
    end
  end
end

-- Lines that include and call the execute-only functions of the owned regions.
local function xom_include_lines(xoms)
  local t = {}
  for _, x in ipairs(xoms) do t[#t + 1] = "#include \"xom" .. x.k .. "_func.h\"" end
  return t
end
local function xom_call_lines(xoms)
  local t = {}
  for _, x in ipairs(xoms) do
    t[#t + 1] = "(void)XOM" .. x.k .. "_Function(" .. HX(x.base) .. "UL, " .. x.k .. "U);"
  end
  return t
end

-- Scatter-file load regions for the owned XOM regions: only the execute-only
-- code of each region's own object goes there.
local function xom_scatter_lines(xoms)
  local t = {}
  for _, x in ipairs(xoms) do
    t[#t + 1] = "LR_XOM" .. x.k .. " " .. HX(x.base) .. " " .. HX(x.size) .. " {"
    t[#t + 1] = "  XOM" .. x.k .. " " .. HX(x.base) .. " " .. HX(x.size) .. " {"
    t[#t + 1] = "    xom" .. x.k .. "_func.o (+XO)"
    t[#t + 1] = "  }"
    t[#t + 1] = "}"
  end
  return t
end
local function xom_icf_lines(xoms)
  local t = {}
  for _, x in ipairs(xoms) do
    t[#t + 1] = "define region XOM" .. x.k .. "_region = mem:[from " .. HX(x.base) .. " size " .. HX(x.size) .. "];"
    t[#t + 1] = "place in XOM" .. x.k .. "_region { ro object xom" .. x.k .. "_func.o };"
  end
  return t
end

-- A second generation leaves fresh template copies beside the project-named
-- files it keeps; they are not part of the project, so they go.
local function remove_leftover(template_path, project_path)
  if template_path ~= project_path and exists(template_path) and exists(project_path) then
    os.remove(template_path)
  end
end

-- Adds entry (text of one element, no indentation) to a workspace list unless
-- is_listed finds it; secure entries go after the last secure entry, others last.
local function add_to_workspace(path, item_pattern, is_same, is_secure_item, entry, secure, close_tag)
  local s = readall(path)
  if not s then
    print("missing workspace " .. path)
    return
  end
  local items = {}
  local pos = 1
  while true do
    local a, b = s:find(item_pattern, pos)
    if not a then break end
    items[#items + 1] = { a = a, b = b, text = s:sub(a, b) }
    pos = b + 1
  end
  for _, it in ipairs(items) do
    if is_same(it.text) then return end
  end
  local eol = eol_of(s)
  local at
  if secure then
    for _, it in ipairs(items) do
      if not is_secure_item(it.text) then at = it.a break end
    end
  end
  if at then
    local ls = at
    while ls > 1 and s:sub(ls - 1, ls - 1) ~= "\n" do ls = ls - 1 end
    at = ls
  else
    at = s:find("[ \t]*" .. pesc(close_tag), 1)
    if not at then
      print("no " .. close_tag .. " in " .. path)
      return
    end
  end
  local text = entry:gsub("\n", eol) .. eol
  writeall(path, s:sub(1, at - 1) .. text .. s:sub(at))
end

local function keil_workspace_entry(name)
  return "  <project>\n    <PathAndName>.\\" .. name .. "\\KEIL\\" .. name .. ".uvprojx</PathAndName>\n" ..
         "    <NodeIsExpanded>1</NodeIsExpanded>\n  </project>"
end

-- Whether the uVision project a workspace entry names is a secure one; an
-- entry whose project cannot be read counts as secure, so it keeps its place.
local function keil_item_secure(text)
  local p = text:match("<PathAndName>(.-)</PathAndName>")
  if not p then return true end
  local rel = p:gsub("^%.[\\/]", ""):gsub("[\\/]", SEP)
  local s = readall(join(fpath, rel))
  if not s then return true end
  return s:match("<nSecure>(%d+)</nSecure>") ~= "0"
end

local function iar_item_secure(text)
  local p = text:match("<path>(.-)</path>")
  if not p then return true end
  local rel = p:gsub("^%$WS_DIR%$[\\/]", ""):gsub("[\\/]", SEP)
  local s = readall(join(fpath, rel))
  if not s then return true end
  return s:match("<name>TrustZoneModes</name>%s*<version>%d+</version>%s*<state>(%d+)</state>") ~= "1"
end

-- The first listed uVision project is the active one.
local function mark_first_active(path)
  local s = readall(path)
  if not s then return end
  local eol = eol_of(s)
  s = s:gsub("[ \t]*<NodeIsActive>%d+</NodeIsActive>[ \t]*\r?\n", "")
  s = s:gsub("(<PathAndName>.-</PathAndName>[ \t]*\r?\n)", "%1    <NodeIsActive>1</NodeIsActive>" .. eol, 1)
  writeall(path, s)
end

-- IAR batch build "All": every listed project, in workspace order. Only that
-- definition is ours; batch builds the developer added stay.
local function update_iar_batch(path)
  local s = readall(path)
  if not s then return end
  local eol = eol_of(s)
  local names = {}
  for p in s:gmatch("<project>%s*<path>(.-)</path>") do
    names[#names + 1] = p:match("([^\\/]+)%.ewp$") or p
  end
  local t = { "        <batchDefinition>", "            <name>All</name>" }
  for _, n in ipairs(names) do
    t[#t + 1] = "            <member>"
    t[#t + 1] = "                <project>" .. xesc(n) .. "</project>"
    t[#t + 1] = "                <configuration>Debug</configuration>"
    t[#t + 1] = "            </member>"
  end
  t[#t + 1] = "        </batchDefinition>"
  local all = table.concat(t, eol)
  local batch = "    <batchBuild>" .. eol .. all .. eol .. "    </batchBuild>"
  local r, n = s:gsub("[ \t]*<batchDefinition>%s*<name>All</name>.-</batchDefinition>", resc(all), 1)
  if n == 0 then r, n = s:gsub("[ \t]*<batchBuild%s*/>", resc(batch), 1) end
  if n == 0 then r, n = s:gsub("([ \t]*</batchBuild>)", resc(all .. eol) .. "%1", 1) end
  if n == 0 then r = s:gsub("</workspace>", resc(batch .. eol) .. "</workspace>", 1) end
  writeall(path, r)
end

local function add_to_workspaces(name, secure)
  local uvmpw = join(fpath, "TrustZone.uvmpw")
  local want = (".\\" .. name .. "\\KEIL\\" .. name .. ".uvprojx"):lower()
  add_to_workspace(uvmpw, "[ \t]*<project>.-</project>[ \t]*\r?\n",
    function(text)
      local p = text:match("<PathAndName>(.-)</PathAndName>") or ""
      return p:lower() == want
    end, keil_item_secure, keil_workspace_entry(name), secure, "</ProjectWorkspace>")
  mark_first_active(uvmpw)

  local eww = join(fpath, "TrustZone.eww")
  local want_iar = ("$WS_DIR$\\" .. name .. "\\IAR\\" .. name .. ".ewp"):lower()
  add_to_workspace(eww, "[ \t]*<project>.-</project>[ \t]*\r?\n",
    function(text)
      local p = text:match("<path>(.-)</path>") or ""
      return p:lower() == want_iar
    end, iar_item_secure,
    "    <project>\n        <path>$WS_DIR$\\" .. name .. "\\IAR\\" .. name .. ".ewp</path>\n    </project>",
    secure, "<batchBuild")
  update_iar_batch(eww)
end


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

local RO, ROSIZE, RW = u32(need("ro", "number")), u32(need("rosize", "number")), u32(need("rw", "number"))
local NEXT_BOOT = u32(need("next_boot", "number"))
local NO_BOOT = 4294967295
local NS_SRAM_END = 0x30018000
local XOMS = owned_xom()

-- The secure projects whose import libraries this image links, in their order.
local LIBS = {}
for j = 0, 99 do
  local v = _G["nsclib" .. j]
  if type(v) ~= "string" then break end
  if v ~= "" then LIBS[#LIBS + 1] = v end
end

local DIR = join(fpath, PRJ)
local KEIL = join(DIR, "KEIL")
local IAR = join(DIR, "IAR")

-- Data runs from rw to the end of the non-secure SRAM.
local RAM_SIZE = 0
if RW >= 0x30000000 and RW < NS_SRAM_END then RAM_SIZE = NS_SRAM_END - RW
else print("tens.lua: RW base " .. HX(RW) .. " leaves no non-secure SRAM") end

-- A non-secure image can only start another non-secure one.
local BOOT = NO_BOOT
if NEXT_BOOT ~= NO_BOOT then
  if NEXT_BOOT >= 0x10000000 and NEXT_BOOT < 0x10080000 then
    BOOT = NEXT_BOOT
  else
    print("tens.lua: " .. PRJ .. " cannot start the secure image at " .. HX(NEXT_BOOT))
  end
end

local function lib_dir(name) return "..\\..\\" .. name .. "\\nsclib" end

local function is_nsclib_dir(item)
  return win(item):match("^%.%.\\%.%.\\[%w_]+\\nsclib\\?$") ~= nil
end

local function keil_includes()
  local r = bsp_ref()
  local t = {}
  for _, tail in ipairs(BSP_INCLUDE_TAILS) do t[#t + 1] = r .. tail end
  for _, l in ipairs(LIBS) do t[#t + 1] = lib_dir(l) end
  return t
end

local function iar_includes()
  local r = bsp_ref_iar()
  local t = {}
  for _, tail in ipairs(BSP_INCLUDE_TAILS) do t[#t + 1] = r .. tail end
  for _, l in ipairs(LIBS) do t[#t + 1] = "$PROJ_DIR$\\" .. lib_dir(l) end
  return t
end

local function edit_uvprojx()
  local path = join(KEIL, PRJ .. ".uvprojx")
  local s = readall(path)
  if not s then print("missing " .. path) return end
  local g = s:find("<Groups>", 1, true) or #s + 1
  local head, tail = s:sub(1, g - 1), s:sub(g)

  head = head:gsub("(<Target>%s*<TargetName>)[^<]*(</TargetName>)", "%1" .. resc(xesc(PRJ)) .. "%2", 1)
  head = set_tag(head, "OutputName", PRJ, 1)
  head = set_tag(head, "nSecure", "0", 1)
  head = set_memory_row(head, "OCR_RVCT4", RO, ROSIZE)
  head = set_memory_row(head, "OCR_RVCT5", 0, 0)
  head = set_memory_row(head, "OCR_RVCT9", RW, RAM_SIZE)
  head = set_tag(head, "hadIROM2", "0", 1)
  head = edit_block(head, "LDads", function(blk)
    blk = set_tag(blk, "umfTarg", "0", 1)
    blk = set_tag(blk, "TextAddressRange", HX(RO), 1)
    blk = set_tag(blk, "DataAddressRange", HX(RW), 1)
    blk = set_tag(blk, "ScatterFile", ".\\nonsecure.sct", 1)
    -- A non-secure image exports no import library.
    return (blk:gsub("(<Misc>)([^<]*)(</Misc>)", function(o, misc, c)
      local m = misc:gsub("%s*%-%-import[_%-]cmse[_%-]lib[_%-]out[= ]%S+", ""):gsub("^%s+", "")
      return o .. m .. c
    end, 1))
  end)
  head = edit_block(head, "Cads", function(blk)
    return (blk:gsub("(<IncludePath>)([^<]*)(</IncludePath>)", function(o, inc, c)
      return o .. xesc(merge_keil_includes(xunesc(inc), keil_includes(), function(item)
        return is_bsp_include(item) or is_nsclib_dir(item)
      end)) .. c
    end, 1))
  end)

  local main = "main_" .. PRJ .. ".c"
  tail = tail:gsub("(<FileName>)main_[%w_]*%.c(</FileName>)", "%1" .. resc(main) .. "%2")
  tail = tail:gsub("(<FilePath>%.%.\\)main_[%w_]*%.c(</FilePath>)", "%1" .. resc(main) .. "%2")
  tail = tail:gsub("(<FilePath>)[^<]-(Library\\Device\\Quorvex\\V6048\\Source\\[%w_]+%.c</FilePath>)",
    "%1" .. resc(xesc(bsp_ref())) .. "%2")
  local files = {}
  for _, x in ipairs(XOMS) do
    files[#files + 1] = keil_file("xom" .. x.k .. "_func.c", 1, "..\\xom" .. x.k .. "_func.c", KEIL_XO_OPTION)
  end
  tail = set_keil_group(tail, "XOM", files)
  local libs = {}
  for _, l in ipairs(LIBS) do
    libs[#libs + 1] = keil_file(l .. "_CMSE_Lib.o", 3, lib_dir(l) .. "\\" .. l .. "_CMSE_Lib.o")
  end
  tail = set_keil_group(tail, "CMSE Library", libs)
  writeall(path, head .. tail)
end

local function edit_uvoptx()
  local path = join(KEIL, PRJ .. ".uvoptx")
  local s = readall(path)
  if not s then print("missing " .. path) return end
  s = s:gsub("(<Target>%s*<TargetName>)[^<]*(</TargetName>)", "%1" .. resc(xesc(PRJ)) .. "%2", 1)
  writeall(path, s)
end

local function edit_scatter()
  local path = join(KEIL, "nonsecure.sct")
  local s = readall(path)
  if not s then print("missing " .. path) return end
  s = set_define(s, "NS_ROM_BASE", HX(RO))
  s = set_define(s, "NS_ROM_SIZE", HX(ROSIZE))
  s = set_define(s, "NS_RAM_BASE", HX(RW))
  s = set_define(s, "NS_RAM_SIZE", HX(RAM_SIZE))
  local ok
  s, ok = replace_after(s, "; Execute-only regions owned by this image.", xom_scatter_lines(XOMS))
  if not ok then print("no execute-only section in " .. path) end
  writeall(path, s)
end

local function edit_icf()
  local path = join(IAR, "nonsecure.icf")
  local s = readall(path)
  if not s then print("missing " .. path) return end
  local function sym(name, v)
    local r, n = s:gsub("(define%s+symbol%s+" .. name .. "%s*=%s*)0[xX]%x+", "%1" .. HX(v), 1)
    if n == 0 then print("no symbol " .. name .. " in " .. path) end
    s = r
  end
  sym("__NS_ROM_start", RO)
  sym("__NS_ROM_end", RO + ROSIZE - 1)
  sym("__NS_RAM_start", RW)
  sym("__NS_RAM_end", RW + RAM_SIZE - 1)
  local ok
  s, ok = replace_after(s, "/* Execute-only regions owned by this image. */", xom_icf_lines(XOMS))
  if not ok then print("no execute-only section in " .. path) end
  writeall(path, s)
end

local function edit_ewp()
  local path = join(IAR, PRJ .. ".ewp")
  local s = readall(path)
  if not s then print("missing " .. path) return end
  s = set_iar_option(s, "TrustZone", "1")
  s = set_iar_option(s, "TrustZoneModes", "1")
  s = set_iar_option(s, "IlinkOutputFile", PRJ .. ".out")
  s = set_iar_option(s, "IlinkIcfOverride", "1")
  s = set_iar_option(s, "IlinkIcfFile", "$PROJ_DIR$\\nonsecure.icf")
  s = set_iar_option(s, "IlinkTrustzoneImportLibraryOut", "")
  local inc = iar_includes()
  for _, v in ipairs(iar_states(s, "CCIncludePath2") or {}) do
    local rel = v:gsub("^%$PROJ_DIR%$\\", "")
    if not is_bsp_include(v) and not is_nsclib_dir(rel) and not list_contains(inc, v) then inc[#inc + 1] = v end
  end
  s = set_iar_option(s, "CCIncludePath2", inc)
  local libs = {}
  for _, l in ipairs(LIBS) do libs[#libs + 1] = "$PROJ_DIR$\\" .. lib_dir(l) .. "\\" .. l .. "_CMSE_Lib_IAR.o" end
  for _, v in ipairs(iar_states(s, "IlinkAdditionalLibs") or {}) do
    if not v:match("\\nsclib\\[%w_]+_CMSE_Lib_IAR%.o$") and not list_contains(libs, v) then libs[#libs + 1] = v end
  end
  s = set_iar_option(s, "IlinkAdditionalLibs", libs)

  local main = "main_" .. PRJ .. ".c"
  s = s:gsub("(<name>%$PROJ_DIR%$\\%.%.\\)main_[%w_]*%.c(</name>)", "%1" .. resc(main) .. "%2")
  s = s:gsub("(<name>)[^<]-(Library\\Device\\Quorvex\\V6048\\Source\\[%w_]+%.c</name>)",
    "%1" .. resc(xesc(bsp_ref_iar())) .. "%2")
  local files = {}
  for _, x in ipairs(XOMS) do files[#files + 1] = iar_file("$PROJ_DIR$\\..\\xom" .. x.k .. "_func.c", true) end
  s = set_iar_group(s, "XOM", files)
  writeall(path, s)
end

local function edit_project_eww()
  local path = join(IAR, PRJ .. ".eww")
  local s = readall(path)
  if not s then print("missing " .. path) return end
  s = s:gsub("(<path>%$WS_DIR%$\\)[^<]*(%.ewp</path>)", "%1" .. resc(xesc(PRJ)) .. "%2", 1)
  writeall(path, s)
end

local function edit_main()
  local s = readall(fmain)
  if not s then print("missing " .. fmain) return end
  s = s:gsub("(image of the project )[%w_]+", "%1" .. resc(PRJ), 1)
  s = set_define(s, "NEXT_BOOT_BASE", HX(BOOT) .. "UL")
  local includes, calls = {}, {}
  for j, l in ipairs(LIBS) do
    includes[#includes + 1] = "#include \"" .. l .. "_nsc.h\""
    calls[#calls + 1] = "g_results[" .. (j - 1) .. "] = " .. l .. "_NscEntry(g_buffer, sizeof g_buffer);"
  end
  s = replace_lines_between(s, "/* Services of the secure images. */",
    "/* End of services of the secure images. */", includes)
  s = replace_lines_between(s, "/* Calls of the secure services. */",
    "/* End of calls of the secure services. */", calls)
  s = replace_lines_between(s, "/* Execute-only functions of this image. */",
    "/* End of execute-only functions. */", xom_include_lines(XOMS))
  s = replace_lines_between(s, "/* Calls into execute-only memory. */",
    "/* End of calls into execute-only memory. */", xom_call_lines(XOMS))
  writeall(fmain, s)
end

edit_uvprojx()
edit_uvoptx()
edit_scatter()
edit_icf()
edit_ewp()
edit_project_eww()
edit_main()
for _, x in ipairs(XOMS) do fill_xom_files(DIR, x) end
add_to_workspaces(PRJ, false)

remove_leftover(join(KEIL, "Nonsecure.uvprojx"), join(KEIL, PRJ .. ".uvprojx"))
remove_leftover(join(KEIL, "Nonsecure.uvoptx"), join(KEIL, PRJ .. ".uvoptx"))
remove_leftover(join(IAR, "Nonsecure.ewp"), join(IAR, PRJ .. ".ewp"))
remove_leftover(join(IAR, "Nonsecure.ewd"), join(IAR, PRJ .. ".ewd"))
remove_leftover(join(IAR, "Nonsecure.eww"), join(IAR, PRJ .. ".eww"))
remove_leftover(join(DIR, "main_ns.c"), fmain)
