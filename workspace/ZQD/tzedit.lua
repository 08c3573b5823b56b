-- Helpers of the template scripts tes.lua and tens.lua: reading and writing the
-- copied files, editing Keil and IAR project files and the workspaces by pattern,
-- and the execute-only regions. Each script loads this file with dofile and runs
-- in the same Lua state, so the helpers see the script's globals (fpath, rpath,
-- xombaseK, ...). Lua 5.1 standard libraries only.

local SEP = package.config:sub(1, 1)

local function join(...)
  return table.concat({ ... }, SEP)
end

-- Files go through the host. readfile reads only regular files, and in the output
-- folder never through a link; writefile lets a new text replace a file only once
-- it is whole, so a kill or a full disk leaves the old file as it was, and leaves
-- an unchanged file (and its time stamp) alone.
local function readall(path)
  return readfile(path)
end

-- A file the script edits: when it cannot be read, the generation fails naming it.
local function read_required(path)
  local s, why = readfile(path)
  if not s then fail("Unable to edit " .. path .. ": " .. tostring(why)) end
  return s
end

-- A file an earlier run wrote and the script keeps; an empty one (a killed write
-- of an older version) counts as missing.
local function read_kept(path)
  local s = readfile(path)
  if s == "" then return nil end
  return s
end

local function writeall(path, s)
  local ok, why = writefile(path, s)
  if not ok then fail("Unable to write " .. path .. ": " .. tostring(why)) end
  return ok == true
end

-- isfile looks without reading: a flash algorithm or a project file may be large.
local function exists(path)
  return isfile(path)
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

-- The escapes look first whether there is anything to escape: they run for every
-- value written, and most values have nothing.
local function pesc(t)
  if not t:find("[%^%$%(%)%%%.%[%]%*%+%-%?]") then return t end
  return (t:gsub("[%^%$%(%)%%%.%[%]%*%+%-%?]", "%%%0"))
end
local function resc(t)
  if not t:find("%", 1, true) then return t end
  return (t:gsub("%%", "%%%%"))
end
local function xesc(t)
  if not t:find("[&<>\"]") then return t end
  return (t:gsub("&", "&amp;"):gsub("<", "&lt;"):gsub(">", "&gt;"):gsub("\"", "&quot;"))
end
local function xunesc(t)
  if not t:find("&", 1, true) then return t end
  return (t:gsub("&lt;", "<"):gsub("&gt;", ">"):gsub("&quot;", "\""):gsub("&apos;", "'"):gsub("&amp;", "&"))
end

local function is_blank(c) return c == 32 or c == 9 end
local function is_space(c) return c == 32 or (c >= 9 and c <= 13) end

-- The start of the blanks (spaces and tabs) that end just before position pos.
local function blanks_before(s, pos)
  while pos > 1 and is_blank(s:byte(pos - 1)) do pos = pos - 1 end
  return pos
end

-- s:find(lead, init, true). "<" begins every tag of a project file, so a lead
-- that begins with a tag is looked for by what follows the tag's "<" or, when
-- the lead goes on after the tag, by what follows the tag.
local function find_plain(s, lead, init)
  if #lead < 2 or lead:byte(1) ~= 60 then return s:find(lead, init, true) end
  local k = lead:find(">", 1, true)
  if not k or k == #lead then k = 1 end
  local probe, prefix = lead:sub(k + 1), lead:sub(1, k)
  local from = init + k
  while true do
    local a, b = s:find(probe, from, true)
    if not a then return nil end
    if s:sub(a - k, a - 1) == prefix then return a - k, b end
    from = a + 1
  end
end

local function is_name_byte(c)
  return c ~= nil and (c == 95 or (c >= 48 and c <= 57) or (c >= 65 and c <= 90) or (c >= 97 and c <= 122))
end

-- s with every whole word (not part of a longer name of letters, digits and
-- underscores) replaced by repl, both taken literally: what
-- s:gsub("%f[%w_]" .. word .. "%f[^%w_]", repl) gives, looking only where word is.
local function replace_word(s, word, repl)
  local out, copied, from = {}, 1, 1
  while true do
    local a, b = s:find(word, from, true)
    if not a then break end
    if not is_name_byte(s:byte(a - 1)) and not is_name_byte(s:byte(b + 1)) then
      out[#out + 1] = s:sub(copied, a - 1)
      out[#out + 1] = repl
      copied, from = b + 1, b + 1
    else
      from = a + 1
    end
  end
  if copied == 1 then return s end
  out[#out + 1] = s:sub(copied)
  return table.concat(out)
end

-- s:find(pattern, init) for a pattern each match of which begins with the plain
-- text lead or, when indented, with the blanks before it (the pattern then begins
-- with "[ \t]*"). Only the places of lead are tried: a pattern is otherwise tried
-- at every character of a file, and one that begins with blanks costs time in the
-- square of the indentation there; the scripts edit whole project files often.
local function find_from(s, lead, pattern, init, indented)
  init = init or 1
  local anchored = "^" .. pattern
  local from = init
  while true do
    local a = find_plain(s, lead, from)
    if not a then return nil end
    local start = indented and math.max(init, blanks_before(s, a)) or a
    local _, e = s:find(anchored, start)
    if e then return start, e end
    from = a + 1
  end
end

-- s:match(pattern) for such a pattern.
local function match_from(s, lead, pattern, indented)
  local a = find_from(s, lead, pattern, 1, indented)
  if a then return s:match("^" .. pattern, a) end
end

-- s:gsub(pattern, repl, n) for such a pattern, which must not depend on the text
-- after its match.
local function gsub_from(s, lead, pattern, repl, n, indented)
  local out, done, count = {}, 1, 0
  while not n or count < n do
    local a, e = find_from(s, lead, pattern, done, indented)
    if not a then break end
    out[#out + 1] = s:sub(done, a - 1)
    out[#out + 1] = (s:sub(a, e):gsub("^" .. pattern, repl, 1))
    count = count + 1
    done = e + 1
  end
  if count == 0 then return s, 0 end
  out[#out + 1] = s:sub(done)
  return table.concat(out), count
end

-- Replaces the text of every <tag>...</tag> in s (or only the first n) with value.
local function set_tag(s, tag, value, n)
  local open = "<" .. tag .. ">"
  return gsub_from(s, open, "(" .. open .. ")[^<]*(</" .. tag .. ">)", "%1" .. resc(xesc(value)) .. "%2", n)
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
    warn("no block \"" .. begin_text .. "\" ... \"" .. end_text .. "\"; left as it is")
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

-- set_define for each { name, value } of list, in one pass over s; the lines are
-- found by "#define", since a pattern led by the line end is tried at every
-- character.
local function set_defines(s, list)
  local values, done = {}, {}
  for _, d in ipairs(list) do values[d[1]] = d[2] end
  local out, copied, from = {}, 1, 1
  while true do
    local a = s:find("#define", from, true)
    if not a then break end
    from = a + 7
    local line = blanks_before(s, a)
    local _, e, head, name, gap = s:find("^(#define[ \t]+)([%w_]+)([ \t]+)[%w_]+", a)
    local v = e and line > 1 and s:byte(line - 1) == 10 and values[name]
    if v and not done[name] then
      done[name] = true
      out[#out + 1] = s:sub(copied, a - 1)
      out[#out + 1] = head .. name .. gap .. v
      copied, from = e + 1, e + 1
    end
  end
  out[#out + 1] = s:sub(copied)
  for _, d in ipairs(list) do
    if not done[d[1]] then warn("no #define " .. d[1]) end
  end
  return table.concat(out)
end

-- Sets the number after "#define NAME" at the start of a line.
local function set_define(s, name, value)
  return set_defines(s, { { name, value } })
end

-- The number after "#define NAME" at the start of a line, or nil.
local function define_number(s, name)
  local v = s:match("\n[ \t]*#define[ \t]+" .. name .. "[ \t]+(0[xX]%x+)")
  return v and tonumber(v)
end

-- How a linker file assigns a number to a symbol: IAR's "define symbol NAME = 0x...;"
-- and GNU ld's "NAME = 0x...;" at the start of a line.
local ICF_SYMBOL = "define%s+symbol%s+"
local LD_SYMBOL = "\n[ \t]*"

-- The number assigned to NAME in a linker file of that kind, or nil.
local function assigned_number(s, lead, name)
  local v = s:match(lead .. name .. "%s*=%s*(0[xX]%x+)")
  return v and tonumber(v)
end
local function icf_number(s, name) return assigned_number(s, ICF_SYMBOL, name) end
local function ld_number(s, name) return assigned_number(s, LD_SYMBOL, name) end

-- Sets the number assigned to NAME in the linker file s (read from path); a
-- missing assignment is warned of and changes nothing.
local function set_assigned(s, lead, name, value, path)
  local r, n = s:gsub("(" .. lead .. name .. "%s*=%s*)0[xX]%x+", "%1" .. HX(value), 1)
  if n == 0 then warn("no symbol " .. name .. " in " .. path) end
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
  local _, b = find_plain(s, "<name>" .. name .. "</name>", 1)
  local c = b and s:find("</option>", b + 1, true)
  if not c then return nil end
  local blk = s:sub(b + 1, c - 1)
  local states = {}
  for v in blk:gmatch("<state>(.-)</state>") do
    if v ~= "" then states[#states + 1] = xunesc(v) end
  end
  return states
end

-- Where the element whose opening tag open ends just before position pos (only
-- white space between) starts, with the blanks that indent it: start of the
-- indentation, start of the tag. nil when something else comes before pos.
local function opening_before(s, pos, open)
  local j = pos - 1
  while j > 0 and is_space(s:byte(j)) do j = j - 1 end
  local tag = j - #open + 1
  if tag < 1 or s:sub(tag, j) ~= open then return nil end
  return blanks_before(s, tag), tag
end

-- The first element of s that opens with the tag open, followed (after white
-- space) by the plain text key, and runs to the first close after it, with the
-- blanks that indent it and, when line is set, up to the end of the line close
-- ends (only blanks between). Start and end, or nil. Plain searches, as in
-- find_from.
local function find_element(s, open, key, close, line)
  local from = 1
  while true do
    local a, b = find_plain(s, key, from)
    if not a then return nil end
    from = b + 1
    local ind = opening_before(s, a, open)
    local c = ind and b
    while c do
      local _, d = s:find(close, c + 1, true)
      if not d then return nil end
      if not line then return ind, d end
      local _, e = s:find("^[ \t]*\r?\n", d + 1)
      if e then return ind, e end
      c = d
    end
  end
end

-- The places of the IAR option name in every configuration, as { start, stop,
-- text } with text the option holding one <state> per value, added to spans.
-- The options are found by their name with a plain search: a pattern that begins
-- with the indentation is tried at every blank of the project, and that cost
-- grows with the square of the indentation.
local function iar_option_spans(s, name, values, eol, spans)
  if type(values) ~= "table" then values = { values } end
  local key = "<name>" .. name .. "</name>"
  local done, from = 1, 1
  while true do
    local a, b = find_plain(s, key, from)
    if not a then break end
    from = b + 1
    local ind_start, tag = opening_before(s, a, "<option>")
    local _, ver_end = s:find("^%s*<version>%d+</version>", b + 1)
    local _, state = s:find("^[^<]*<state>", b + 1)
    local close = (ver_end or state) and s:find("</option>", (ver_end or state) + 1, true)
    if ind_start and ind_start >= done and close then
      local ind = s:sub(ind_start, tag - 1)
      local inner = ind .. "    "
      local t = { ind .. "<option>" .. s:sub(tag + 8, b) .. (ver_end and s:sub(b + 1, ver_end) or "") }
      for _, v in ipairs(values) do t[#t + 1] = inner .. "<state>" .. xesc(v) .. "</state>" end
      if #values == 0 then t[#t + 1] = inner .. "<state></state>" end
      spans[#spans + 1] = { ind_start, close + 8, table.concat(t, eol) .. eol .. ind .. "</option>" }
      done = close + 9
      from = done
    end
  end
end

-- Rewrites IAR options in every configuration, each { name, values } of list with
-- one <state> per value (values: a table or one text), in one pass over s.
local function set_iar_options(s, list)
  local eol, spans = eol_of(s), {}
  for _, option in ipairs(list) do iar_option_spans(s, option[1], option[2], eol, spans) end
  table.sort(spans, function(x, y) return x[1] < y[1] end)
  local out, copied = {}, 1
  for _, span in ipairs(spans) do
    out[#out + 1] = s:sub(copied, span[1] - 1)
    out[#out + 1] = span[3]
    copied = span[2] + 1
  end
  out[#out + 1] = s:sub(copied)
  return table.concat(out)
end

local function set_iar_option(s, name, values)
  return set_iar_options(s, { { name, values } })
end

-- Replaces (or adds before </Groups>) the Keil group named name.
local function set_keil_group(s, name, files_xml)
  local eol = eol_of(s)
  local a, b = find_element(s, "<Group>", "<GroupName>" .. name .. "</GroupName>", "</Group>", true)
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
  local g = s:find("</Groups>", 1, true)
  if not g then return s end
  g = blanks_before(s, g)
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
  local a, b = find_element(s, "<group>", "<name>" .. name .. "</name>", "</group>", true)
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

-- The source files of a Keil project's groups (tail, the text from <Groups> on):
-- the template's main file takes the name main, and the device sources are
-- reached through the BSP.
local function rename_keil_sources(tail, main)
  tail = tail:gsub("(<FileName>)main_[%w_]*%.c(</FileName>)", "%1" .. resc(main) .. "%2")
  tail = tail:gsub("(<FilePath>%.%.\\)main_[%w_]*%.c(</FilePath>)", "%1" .. resc(main) .. "%2")
  return (tail:gsub("(<FilePath>)[^<]-(Library\\Device\\Quorvex\\V6048\\Source\\[%w_]+%.c</FilePath>)",
    "%1" .. resc(xesc(bsp_ref())) .. "%2"))
end

-- The same for an IAR project s. Its files come after its configurations, so only
-- that part is searched: the options before are most of the file.
local function rename_iar_sources(s, main)
  local files, from = 1, 1
  while true do
    local _, e = s:find("</configuration>", from, true)
    if not e then break end
    files, from = e + 1, e + 1
  end
  local tail = s:sub(files)
  tail = tail:gsub("(<name>%$PROJ_DIR%$\\%.%.\\)main_[%w_]*%.c(</name>)", "%1" .. resc(main) .. "%2")
  tail = tail:gsub("(<name>)[^<]-(Library\\Device\\Quorvex\\V6048\\Source\\[%w_]+%.c</name>)",
    "%1" .. resc(xesc(bsp_ref_iar())) .. "%2")
  return s:sub(1, files - 1) .. tail
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
      "                <version>34</version>",
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
    local s = read_required(path)
    if s then
      s = s:gsub("XOM%d_", "XOM" .. x.k .. "_"):gsub("xom%d_func", "xom" .. x.k .. "_func")
           :gsub("XOM%d_FUNC_H", "XOM" .. x.k .. "_FUNC_H"):gsub("XOM region %d", "XOM region " .. x.k)
      if ext == ".h" then
        s = set_define(s, "XOM" .. x.k .. "_BASE", HX(x.base) .. "UL")
        s = set_define(s, "XOM" .. x.k .. "_SIZE", HX(x.size) .. "UL")
      end
      writeall(path, s)
    end
  end
end

-- The lines fn gives for each owned region, in region order.
local function lines_per_region(xoms, fn)
  local t = {}
  for _, x in ipairs(xoms) do
    for _, line in ipairs(fn(x)) do t[#t + 1] = line end
  end
  return t
end

-- The marked blocks of a main file that include and call the execute-only
-- functions of the owned regions.
local function fill_main_xom(s, xoms)
  s = replace_lines_between(s, "/* Execute-only functions of this image. */",
    "/* End of execute-only functions. */", lines_per_region(xoms, function(x)
      return { "#include \"xom" .. x.k .. "_func.h\"" }
    end))
  return replace_lines_between(s, "/* Calls into execute-only memory. */",
    "/* End of calls into execute-only memory. */", lines_per_region(xoms, function(x)
      return { "(void)XOM" .. x.k .. "_Function(" .. HX(x.base) .. "UL, " .. x.k .. "U);" }
    end))
end

-- Scatter-file load regions for the owned XOM regions: only the execute-only
-- code of each region's own object goes there.
local function xom_scatter_lines(xoms)
  return lines_per_region(xoms, function(x)
    local range = HX(x.base) .. " " .. HX(x.size)
    return { "LR_XOM" .. x.k .. " " .. range .. " {", "  XOM" .. x.k .. " " .. range .. " {",
             "    xom" .. x.k .. "_func.o (+XO)", "  }", "}" }
  end)
end
local function xom_icf_lines(xoms)
  return lines_per_region(xoms, function(x)
    return { "define region XOM" .. x.k .. "_region = mem:[from " .. HX(x.base) .. " size " .. HX(x.size) .. "];",
             "place in XOM" .. x.k .. "_region { ro object xom" .. x.k .. "_func.o };" }
  end)
end

-- GNU ld: a memory region per owned XOM region, and an output section that takes
-- only the code of the region's own object (CMake names it xomK_func.c.o, or .obj).
local function xom_ld_memory_lines(xoms)
  return lines_per_region(xoms, function(x)
    return { "XOM" .. x.k .. " (x) : ORIGIN = " .. HX(x.base) .. ", LENGTH = " .. HX(x.size) }
  end)
end
local function xom_ld_section_lines(xoms)
  return lines_per_region(xoms, function(x)
    return { ".xom" .. x.k .. " : { *xom" .. x.k .. "_func.c.o*(.text .text.*) } > XOM" .. x.k }
  end)
end

-- A second generation leaves fresh template copies beside the project-named
-- files it keeps; they are not part of the project, so they go.
local function remove_leftover(template_path, project_path)
  if template_path ~= project_path and exists(template_path) and exists(project_path) then
    local ok, why = removefile(template_path)
    if not ok then fail("Unable to remove " .. template_path .. ": " .. tostring(why)) end
  end
end

-- Removes the template copies of a project whose files carry its name:
-- base.uvprojx, .uvoptx, .ewp, .ewd, .eww and the template main file.
local function remove_template_copies(dir, base, prj, template_main, main)
  local keil, iar = join(dir, "KEIL"), join(dir, "IAR")
  for _, ext in ipairs({ ".uvprojx", ".uvoptx" }) do
    remove_leftover(join(keil, base .. ext), join(keil, prj .. ext))
  end
  for _, ext in ipairs({ ".ewp", ".ewd", ".eww" }) do
    remove_leftover(join(iar, base .. ext), join(iar, prj .. ext))
  end
  remove_leftover(join(dir, template_main), main)
end

-- Adds w.entry (the text of one item, no indentation) to the list of the workspace
-- at path unless an item there names w.path; secure entries go before the first
-- non-secure item, others last. The list holds the items matching w.items (each
-- begins with the blanks before w.lead) between the line holding w.first (the
-- start of the file when there is none) and w.close.
local function add_to_workspace(path, w, secure)
  local s = read_required(path)
  if not s then return end
  local first = 1
  if w.first then
    local _, b = s:find(w.first, 1, true)
    first = b and (s:find("\n", b, true) or #s) + 1
  end
  local close = first and s:find(w.close, first, true)
  if close then close = math.max(first, blanks_before(s, close)) end
  if not close then
    fail("Unable to write " .. path .. ": no " .. (first and w.close or w.first) .. " in it to add the project " ..
         (first and "before" or "after"))
    return
  end
  -- The items one by one, from the first on; nil after the last.
  local pos = first
  local function next_item()
    local a, b = find_from(s, w.lead, w.items, pos, true)
    if not a or a >= close then return nil end
    pos = b + 1
    return { a = a, b = b, text = s:sub(a, b) }
  end
  -- Only a list that holds the path somewhere can list the project: the items
  -- are looked at one by one then, as for each project a workspace grows by one.
  if s:lower():find(w.path:lower(), first, true) then
    for it in next_item do
      if (w.listed(it.text) or ""):lower() == w.path:lower() then return end
    end
    pos = first
  end
  local at = close
  if secure then
    for it in next_item do
      if not w.is_secure(it.text) then
        at = it.a
        while at > 1 and s:sub(at - 1, at - 1) ~= "\n" do at = at - 1 end
        break
      end
    end
  end
  local text = w.entry:gsub("\n", eol_of(s)) .. eol_of(s)
  writeall(path, s:sub(1, at - 1) .. text .. s:sub(at))
end

local function keil_workspace_entry(name)
  return "  <project>\n    <PathAndName>.\\" .. name .. "\\KEIL\\" .. name .. ".uvprojx</PathAndName>\n" ..
         "    <NodeIsExpanded>1</NodeIsExpanded>\n  </project>"
end

-- Whether the project at rel (below the output folder, in the place where the
-- tool puts a project's file, standard(name)) was generated by this run, and then
-- whether it is secure: its file says what this run wrote, and reading it again
-- for each project listed after it would cost time in the square of the projects.
-- nil when the host cannot tell.
local function generated_secure(rel, standard)
  local name = rel:match("^([^\\/]+)[\\/]")
  if not name or not generated or rel ~= standard(name) then return nil end
  local state = generated(name)
  if state == nil then return nil end
  return state == "S"
end

-- Whether the project a workspace entry names (in element path_tag, relative
-- after prefix) is a secure one, as is_secure finds in its project file; an
-- entry whose project cannot be read counts as secure, so it keeps its place.
local function listed_secure(text, path_tag, prefix, standard, is_secure)
  local p = text:match("<" .. path_tag .. ">(.-)</" .. path_tag .. ">")
  if not p then return true end
  local rel = p:gsub(prefix, ""):gsub("[\\/]", SEP)
  local known = generated_secure(rel, standard)
  if known ~= nil then return known end
  local s = readall(join(fpath, rel))
  if not s then return true end
  return is_secure(s)
end

local function keil_item_secure(text)
  local function standard(n) return join(n, "KEIL", n .. ".uvprojx") end
  return listed_secure(text, "PathAndName", "^%.[\\/]", standard, function(s)
    return match_from(s, "<nSecure>", "<nSecure>(%d+)</nSecure>") ~= "0"
  end)
end

-- A secure IAR project compiles with --cmse; a project file of an earlier template
-- says so in TrustZoneModes (0 secure, 1 non-secure).
local function iar_project_secure(s)
  local mode = match_from(s, "<name>TrustZoneModes</name>",
    "<name>TrustZoneModes</name>%s*<version>%d+</version>%s*<state>(%d+)</state>")
  if mode then return mode ~= "1" end
  local extra = match_from(s, "<name>IExtraOptions</name>", "<name>IExtraOptions</name>(.-)</option>") or ""
  return (" " .. extra:gsub("</?state>", " ") .. " "):find("%s%-%-cmse%s") ~= nil
end

local function iar_item_secure(text)
  local function standard(n) return join(n, "IAR", n .. ".ewp") end
  return listed_secure(text, "path", "^%$WS_DIR%$[\\/]", standard, iar_project_secure)
end

-- The first listed uVision project is the active one.
local function mark_first_active(path)
  local s = readall(path)
  if not s then return end
  local eol = eol_of(s)
  s = gsub_from(s, "<NodeIsActive>", "[ \t]*<NodeIsActive>%d+</NodeIsActive>[ \t]*\r?\n", "", nil, true)
  s = gsub_from(s, "<PathAndName>", "(<PathAndName>.-</PathAndName>[ \t]*\r?\n)",
    "%1    <NodeIsActive>1</NodeIsActive>" .. eol, 1)
  writeall(path, s)
end

-- s with the IAR batch definition "All" (with the blanks before it) replaced by
-- all, and 1; or s and 0 when it has none. Plain searches: the definition grows
-- with every project, and a pattern with ".-" across it tries every character.
local function replace_batch_all(s, all)
  local from = 1
  while true do
    local a = find_plain(s, "<batchDefinition>", from)
    if not a then return s, 0 end
    local _, head = s:find("^<batchDefinition>%s*<name>All</name>", a)
    if head then
      local _, e = s:find("</batchDefinition>", head + 1, true)
      if not e then return s, 0 end
      return s:sub(1, blanks_before(s, a) - 1) .. all .. s:sub(e + 1), 1
    end
    from = a + 1
  end
end

-- IAR batch build "All": every listed project, in workspace order. Only that
-- definition is ours; batch builds the developer added stay.
local function update_iar_batch(path)
  local s = readall(path)
  if not s then return end
  local eol = eol_of(s)
  local names = {}
  local pos = 1
  while true do
    local a, b = find_from(s, "<project>", "<project>%s*<path>.-</path>", pos)
    if not a then break end
    local p = s:match("^<project>%s*<path>(.-)</path>", a)
    -- The name after the last separator, each pattern anchored: one that is not
    -- tries every place of the path.
    local base = p:match("^.*[\\/](.*)$") or p
    names[#names + 1] = base:match("^(.+)%.ewp$") or p
    pos = b + 1
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
  local r, n = replace_batch_all(s, all)
  if n == 0 then r, n = gsub_from(s, "<batchBuild", "[ \t]*<batchBuild%s*/>", resc(batch), 1, true) end
  if n == 0 then r, n = gsub_from(s, "</batchBuild>", "([ \t]*</batchBuild>)", resc(all .. eol) .. "%1", 1, true) end
  if n == 0 then r = s:gsub("</workspace>", resc(batch .. eol) .. "</workspace>", 1) end
  writeall(path, r)
end

-- The folder of a project that a line add_subdirectory(P/GCC P) of the CMake list adds.
local function cmake_listed(text)
  return text:match("add_subdirectory%(%s*\"?([^%s\")]+)")
end

-- A secure project's CMakeLists.txt compiles with -mcmse; one that cannot be read
-- counts as secure, so its line keeps its place.
local function cmake_item_secure(text)
  local folder = cmake_listed(text)
  local rel = folder and folder:gsub("/", SEP)
  local known = rel and generated_secure(rel, function(n) return join(n, "GCC") end)
  if known ~= nil then return known end
  local s = rel and readall(join(fpath, rel, "CMakeLists.txt"))
  if not s then return true end
  return s:find("-mcmse", 1, true) ~= nil
end

-- Lists the project in the workspaces and in the CMake list of the output folder,
-- each once; secure projects go before the non-secure ones so that they build first.
local function add_to_workspaces(name, secure)
  local project_item = "[ \t]*<project>.-</project>[ \t]*\r?\n"
  local lead = "<project>"
  local keil = ".\\" .. name .. "\\KEIL\\" .. name .. ".uvprojx"
  local iar = "$WS_DIR$\\" .. name .. "\\IAR\\" .. name .. ".ewp"
  local lists = {
    { file = "TrustZone.uvmpw", lead = lead, items = project_item, close = "</ProjectWorkspace>", path = keil,
      listed = function(text) return text:match("<PathAndName>(.-)</PathAndName>") end,
      is_secure = keil_item_secure, entry = keil_workspace_entry(name), after = mark_first_active },
    { file = "TrustZone.eww", lead = lead, items = project_item, close = "<batchBuild", path = iar,
      listed = function(text) return text:match("<path>(.-)</path>") end,
      is_secure = iar_item_secure, entry = "    <project>\n        <path>" .. iar .. "</path>\n    </project>",
      after = update_iar_batch },
    { file = "CMakeLists.txt", lead = "add_subdirectory(", items = "[ \t]*add_subdirectory%([^)]*%)[^\n]*\n",
      first = "# Velmora: projects", close = "# Velmora: end of projects", path = name .. "/GCC",
      listed = cmake_listed, is_secure = cmake_item_secure,
      entry = "add_subdirectory(" .. name .. "/GCC " .. name .. ")" },
  }
  for _, w in ipairs(lists) do
    local path = join(fpath, w.file)
    add_to_workspace(path, w, secure)
    if w.after then w.after(path) end
  end
end

------------------------------------------------------------------------------
-- Downloads: only with a flash algorithm (Keil) or flash loader (IAR) of the BSP
------------------------------------------------------------------------------

-- Where a BSP provides them, below its folder. Without them the projects debug
-- images already in flash and download nothing.
local FLASH_ALGORITHM_TAIL = "Library\\Device\\Quorvex\\V6048\\Flash\\V6048_APROM.FLM"
local FLASH_LOADER_TAIL = "Library\\Device\\Quorvex\\V6048\\Flash\\V6048_APROM.board"

-- A file of the BSP as this script opens it, seen from a tool-chain folder.
local function bsp_local_path(tool_dir, tail)
  local r = bsp_ref()
  local p = r .. tail
  if not is_absolute(r) then p = tool_dir .. SEP .. p end
  return (p:gsub("\\", SEP))
end

-- The flash algorithm and flash loader of the BSP as the project files of dir name
-- them; nil for what the BSP does not provide.
local function bsp_flash_tools(dir)
  local tools = {}
  if exists(bsp_local_path(join(dir, "KEIL"), FLASH_ALGORITHM_TAIL)) then
    tools.keil = bsp_ref() .. FLASH_ALGORITHM_TAIL
  end
  if exists(bsp_local_path(join(dir, "IAR"), FLASH_LOADER_TAIL)) then
    tools.iar = bsp_ref_iar() .. FLASH_LOADER_TAIL
  end
  return tools
end

-- uVision updates the target before a debug session only with a flash algorithm.
local function set_keil_download(head, algorithm)
  return (edit_block(head, "Flash1", function(blk)
    return (set_tag(blk, "UpdateFlashBeforeDebugging", algorithm and "1" or "0", 1))
  end))
end

-- Flash options of the CMSIS-DAP adapter: the algorithm, the RAM it runs in (the
-- first 4 KB of the secure SRAM) and the flash it programs from flash_start; with
-- no algorithm, none.
local KEIL_FLASH_FLAGS = { "%-FD%x+", "%-FC%x+", "%-FN%d+", "%-FF%d%S*", "%-FS%d%x+", "%-FL%d%x+", "%-FP%d%b()" }
local function set_keil_flash_algorithm(s, algorithm, flash_start)
  local key = "<Key>CMSIS_AGDI_V8M</Key>"
  return (gsub_from(s, key, "(" .. key .. "%s*<Name>)([^<]*)(</Name>)", function(o, name, c)
    name = xunesc(name)
    for _, flag in ipairs(KEIL_FLASH_FLAGS) do name = name:gsub("%s*" .. flag, "") end
    if algorithm then
      local stem = algorithm:match("([^\\]+)%.[Ff][Ll][Mm]$") or algorithm
      name = name .. " -FD20000000 -FC1000 -FN1 -FF0" .. stem .. " -FS0" .. hex(flash_start, nil, true) ..
          " -FL080000 -FP0(" .. algorithm .. ")"
    end
    return o .. xesc(name) .. c
  end, 1))
end

-- C-SPY downloads the project's image and its extra images only through a flash
-- loader; without one it debugs what the flash holds.
local function set_iar_download(s, loader)
  local options = {
    { "UseFlashLoader", loader and "1" or "0" },
    { "OverrideDefFlashBoard", loader and "1" or "0" },
    { "FlashLoadersV3", loader or "" },
    { "OCDownloadSuppressDownload", loader and "0" or "1" },
  }
  for n = 1, 3 do options[#options + 1] = { "OCImagesSuppressCheck" .. n, loader and "0" or "1" } end
  return set_iar_options(s, options)
end

-- Options of a command-line option list (IAR's one line per state, Keil's one
-- line): every item for which is_ours holds is dropped, then ours are added.
local function replace_options(items, is_ours, ours)
  local out = {}
  for _, v in ipairs(items) do if not is_ours(v) then out[#out + 1] = v end end
  for _, v in ipairs(ours) do out[#out + 1] = v end
  return out
end

-- Bytes the template's linker files reserve for stack, heap and seal, from the
-- #defines of a scatter file or the symbols of an icf (nil when none is found).
local function reserved_data(text, read, stack_name, heap_name, seal)
  local stack, heap = read(text, stack_name), read(text, heap_name)
  if not stack or not heap then return nil end
  return stack + heap + seal
end

-- Warns when the data region cannot hold what the linker files reserve in it.
local function check_data_room(prj, rw, size, reserved)
  local need = 0
  for _, r in ipairs(reserved) do if r > need then need = r end end
  if size < need then
    warn(prj .. ": the data region at " .. HX(rw) .. " holds " .. HX(size) ..
         " bytes, less than the " .. HX(need) .. " bytes the linker files reserve for stack and heap")
  end
end

-- Fills the GNU linker script at path: the numbers of values (an array of
-- { name, value }) and the owned XOM regions. Returns the bytes it reserves for
-- stack, heap and seal (nil when it names none).
local function fill_ld_script(path, values, xoms, seal)
  local s = read_required(path)
  if not s then return nil end
  for _, v in ipairs(values) do s = set_assigned(s, LD_SYMBOL, v[1], v[2], path) end
  s = replace_lines_between(s, "/* Execute-only memory owned by this image. */",
    "/* End of execute-only memory. */", xom_ld_memory_lines(xoms))
  s = replace_lines_between(s, "/* Execute-only code of this image. */", "/* End of execute-only code. */",
    xom_ld_section_lines(xoms))
  writeall(path, s)
  return reserved_data(s, ld_number, "STACK_SIZE", "HEAP_SIZE", seal)
end

------------------------------------------------------------------------------
-- GCC and CMake
------------------------------------------------------------------------------

-- A path inside a quoted CMake argument: forward slashes, and the characters that
-- would end the argument or expand a variable escaped.
local function cmake_quoted(p)
  return "\"" .. p:gsub("\\", "/"):gsub("[\"$]", "\\%0") .. "\""
end

-- The BSP folder as seen from a GCC folder, which lies as deep as the KEIL and
-- IAR folders, without the closing separator.
local function bsp_ref_cmake()
  local r = bsp_ref():gsub("\\", "/")
  if #r > 1 then r = r:gsub("/$", "") end
  return r
end

-- The lines of s between the line holding begin_text and the line holding
-- end_text, without their line ends; nil unless both are there in that order.
local function lines_between(s, begin_text, end_text)
  local _, b = s:find(begin_text, 1, true)
  local c = b and s:find(end_text, b + 1, true)
  local body = c and s:find("\n", b, true)
  if not body or body > c then return nil end
  local lines = {}
  for line in s:sub(body + 1, c - 1):gmatch("([^\n]*)\n") do lines[#lines + 1] = line:gsub("\r$", "") end
  return lines
end

-- Gives each "set(NAME ...)" line of lines the value of values (an array of
-- { name, value } with value as CMake text); a missing one is warned of.
local function set_cmake_values(lines, values, path)
  for _, v in ipairs(values) do
    local found = false
    for i, line in ipairs(lines) do
      local ind = line:match("^([ \t]*)set%(" .. v[1] .. "[ \t)]")
      if ind then
        lines[i] = ind .. "set(" .. v[1] .. " " .. v[2] .. ")"
        found = true
        break
      end
    end
    if not found then warn("no set(" .. v[1] .. ") in " .. path) end
  end
  return lines
end

local CMAKE_BEGIN, CMAKE_END = "# Velmora: begin", "# Velmora: end"

-- The CMakeLists.txt of a project's GCC folder. The lines between the two Velmora
-- marks are the script's: they come from the template's fresh copy (on a first
-- run, from the file itself), with values in their set() lines. Every other line,
-- the developer's sources, folders, definitions and options, stays as it was.
local function fill_cmake_project(dir, values)
  local gcc = join(dir, "GCC")
  local path, template = join(gcc, "CMakeLists.txt"), join(gcc, "CMakeLists.txt.in")
  local s = read_required(path)
  if not s then return end
  local block = lines_between(readall(template) or "", CMAKE_BEGIN, CMAKE_END) or
                lines_between(s, CMAKE_BEGIN, CMAKE_END)
  if block then
    s = replace_lines_between(s, CMAKE_BEGIN, CMAKE_END, set_cmake_values(block, values, path))
    writeall(path, s)
  else
    warn("no block \"" .. CMAKE_BEGIN .. "\" ... \"" .. CMAKE_END .. "\" in " .. path .. "; left as it is")
  end
  remove_leftover(template, path)
end

-- The set() value of the XOM regions a project owns: their digits, in order.
local function cmake_xom_list(xoms)
  local t = {}
  for _, x in ipairs(xoms) do t[#t + 1] = tostring(x.k) end
  return #t > 0 and table.concat(t, " ") or "\"\""
end

-- The settings of a uVision target that carry the project's row: name, software
-- model, IROM1 (code), IROM2 (the NSC region, or 0/0), IRAM1 (data), and the
-- linker's own scatter file with the code and data bases; misc rewrites the
-- linker's Misc controls. head is the project text before <Groups>.
local function set_uvision_target(head, t)
  head = head:gsub("(<Target>%s*<TargetName>)[^<]*(</TargetName>)", "%1" .. resc(xesc(t.name)) .. "%2", 1)
  head = set_tag(head, "OutputName", t.name, 1)
  head = set_tag(head, "nSecure", t.secure and "1" or "0", 1)
  head = set_memory_row(head, "OCR_RVCT4", t.ro, t.rosize)
  head = set_memory_row(head, "OCR_RVCT5", t.nsc, t.nscsize)
  head = set_memory_row(head, "OCR_RVCT9", t.rw, t.ramsize)
  head = set_tag(head, "hadIROM2", t.secure and "1" or "0", 1)
  return (edit_block(head, "LDads", function(blk)
    blk = set_tag(blk, "umfTarg", "0", 1)
    blk = set_tag(blk, "TextAddressRange", HX(t.ro), 1)
    blk = set_tag(blk, "DataAddressRange", HX(t.rw), 1)
    blk = set_tag(blk, "ScatterFile", t.scatter, 1)
    return (blk:gsub("(<Misc>)([^<]*)(</Misc>)", function(o, misc, c) return o .. t.misc(misc) .. c end, 1))
  end))
end

return {
  join = join,
  exists = exists,
  find_plain = find_plain,
  replace_word = replace_word,
  find_from = find_from,
  match_from = match_from,
  gsub_from = gsub_from,
  define_number = define_number,
  icf_number = icf_number,
  bsp_flash_tools = bsp_flash_tools,
  set_keil_download = set_keil_download,
  set_keil_flash_algorithm = set_keil_flash_algorithm,
  set_iar_download = set_iar_download,
  replace_options = replace_options,
  reserved_data = reserved_data,
  check_data_room = check_data_room,
  readall = readall,
  read_required = read_required,
  read_kept = read_kept,
  writeall = writeall,
  eol_of = eol_of,
  HX = HX,
  u32 = u32,
  resc = resc,
  xesc = xesc,
  xunesc = xunesc,
  set_tag = set_tag,
  edit_block = edit_block,
  replace_lines_between = replace_lines_between,
  replace_after = replace_after,
  set_define = set_define,
  set_defines = set_defines,
  rename_keil_sources = rename_keil_sources,
  rename_iar_sources = rename_iar_sources,
  win = win,
  bsp_ref = bsp_ref,
  bsp_ref_iar = bsp_ref_iar,
  list_contains = list_contains,
  BSP_INCLUDE_TAILS = BSP_INCLUDE_TAILS,
  is_bsp_include = is_bsp_include,
  merge_keil_includes = merge_keil_includes,
  iar_states = iar_states,
  set_iar_option = set_iar_option,
  set_iar_options = set_iar_options,
  set_keil_group = set_keil_group,
  keil_file = keil_file,
  KEIL_XO_OPTION = KEIL_XO_OPTION,
  set_iar_group = set_iar_group,
  iar_file = iar_file,
  owned_xom = owned_xom,
  fill_xom_files = fill_xom_files,
  fill_main_xom = fill_main_xom,
  xom_scatter_lines = xom_scatter_lines,
  xom_icf_lines = xom_icf_lines,
  remove_leftover = remove_leftover,
  remove_template_copies = remove_template_copies,
  add_to_workspaces = add_to_workspaces,
  set_uvision_target = set_uvision_target,
  fill_ld_script = fill_ld_script,
  fill_cmake_project = fill_cmake_project,
  cmake_quoted = cmake_quoted,
  bsp_ref_cmake = bsp_ref_cmake,
  cmake_xom_list = cmake_xom_list,
  ICF_SYMBOL = ICF_SYMBOL,
  set_assigned = set_assigned,
}
