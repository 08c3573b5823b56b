-- ldp.lua: imports a Keil uVision project (.uvprojx) into the project table.
-- For every target of the file it reports one row through addprj: the name, secure
-- or non-secure, the code region (IROM1), the data base (IRAM1) and, from the
-- scatter file the target links with, the non-secure-callable region and the XOM
-- regions (setxom). Real projects of any origin are read: whatever is missing is
-- told through dbg and read as 0, and nothing in the file can stop the script.

local SEP = package.config:sub(1, 1)

local function say(...)
  if type(dbg) == "function" then dbg(...) else print(...) end
end

-- A note about one target, { file = , target = }: "ldp.lua: FILE [TARGET]: text".
-- Built only when told: thousands of such long, near-identical texts would crowd
-- one bucket of Lua's string table.
local function tell(where, text, ...)
  say("ldp.lua: " .. where.file .. " [" .. where.target .. "]: " .. text, ...)
end

-- The host's readfile reads regular files only: a pipe or a device named by the
-- project cannot hang the import.
local function readall(path)
  return readfile(path)
end

local function unescape(t)
  if not t or not string.find(t, "&", 1, true) then return t end
  return (t:gsub("&lt;", "<"):gsub("&gt;", ">"):gsub("&quot;", "\""):gsub("&apos;", "'"):gsub("&amp;", "&"))
end

-- Lower-case "0x%x" without going through a C long (32 bits wide on some builds).
local function hx(n)
  n = math.floor(n) % 4294967296
  local hi, lo = math.floor(n / 65536), n % 65536
  if hi > 0 then return string.format("0x%x%04x", hi, lo) end
  return string.format("0x%x", lo)
end

-- A number as uVision, armlink and C write it: 0x1F, 0X1f, 1024, 0x400UL.
local function number(text)
  if not text then return nil end
  local h = text:match("^%s*0[xX](%x+)[uUlL]*%s*$")
  if h then return tonumber(h, 16) end
  local d = text:match("^%s*(%d+)[uUlL]*%s*$")
  if d then return tonumber(d, 10) end
  return nil
end

local function valid_name(t)
  return t and t:match("^[%a_][%w_]*$") ~= nil
end

local function sanitize(t)
  t = (t or ""):gsub("[^%w_]", "_")
  if t:match("^%d") then t = "_" .. t end
  return t
end

------------------------------------------------------------------------------
-- Scatter files
------------------------------------------------------------------------------

-- Evaluates an armlink base or size expression over the file's #define values;
-- nil for anything it cannot know before linking (+offset, AlignExpr, ...).
local function evaluate(expr, defines, depth)
  depth = depth or 0
  if depth > 20 then return nil end
  local pos = 1
  local src = expr

  local function skip() pos = src:find("[^%s]", pos) or #src + 1 end
  local parse_sum

  local function parse_atom()
    skip()
    local c = src:sub(pos, pos)
    if c == "(" then
      pos = pos + 1
      local v = parse_sum()
      skip()
      if v == nil or src:sub(pos, pos) ~= ")" then return nil end
      pos = pos + 1
      return v
    elseif c == "-" then
      pos = pos + 1
      local v = parse_atom()
      return v and -v
    end
    local num = src:match("^0[xX]%x+[uUlL]*", pos) or src:match("^%d+[uUlL]*", pos)
    if num then
      pos = pos + #num
      return number(num)
    end
    local id = src:match("^[%a_][%w_]*", pos)
    if id then
      pos = pos + #id
      skip()
      if src:sub(pos, pos) == "(" then return nil end
      local def = defines[id]
      if not def then return nil end
      return evaluate(def, defines, depth + 1)
    end
    return nil
  end

  local function parse_product()
    local v = parse_atom()
    while v ~= nil do
      skip()
      local op = src:sub(pos, pos)
      if op ~= "*" and op ~= "/" then break end
      pos = pos + 1
      local r = parse_atom()
      if r == nil or (op == "/" and r == 0) then return nil end
      v = (op == "*") and v * r or math.floor(v / r)
    end
    return v
  end

  parse_sum = function()
    local v = parse_product()
    while v ~= nil do
      skip()
      local op = src:sub(pos, pos)
      if op ~= "+" and op ~= "-" then break end
      pos = pos + 1
      local r = parse_product()
      if r == nil then return nil end
      v = (op == "+") and v + r or v - r
    end
    return v
  end

  local v = parse_sum()
  skip()
  if pos <= #src then return nil end
  return v
end

local ATTRIBUTES = {
  ABSOLUTE = 0, PI = 0, RELOC = 0, OVERLAY = 0, EMPTY = 0, UNINIT = 0, ZEROPAD = 0,
  NOCOMPRESS = 0, FIXED = 0, PROTECTED = 0, ALIGN = 1, ALIGNALL = 1, PADVALUE = 1, FILL = 1,
}

-- Splits a region header into words, keeping parenthesised expressions whole.
local function header_words(text)
  local words, cur, depth = {}, {}, 0
  for c in text:gmatch(".") do
    if c == "(" then depth = depth + 1 end
    if c == ")" then depth = depth - 1 end
    if c:match("%s") and depth <= 0 then
      if #cur > 0 then words[#words + 1] = table.concat(cur) cur = {} end
    else
      cur[#cur + 1] = c
    end
  end
  if #cur > 0 then words[#words + 1] = table.concat(cur) end
  return words
end

-- name, base expression and size expression of a region header.
local function parse_header(text)
  local words = header_words(text)
  local name = words[1]
  local rest = {}
  local i = 2
  while i <= #words do
    local w = words[i]
    local args = ATTRIBUTES[w:upper()]
    if args then
      i = i + 1 + args
    else
      rest[#rest + 1] = w
      i = i + 1
    end
  end
  return name, rest[1], #rest >= 2 and rest[#rest] or nil
end

-- Load and execution regions of a scatter file: { name, base, size, body, load }.
local function scatter_regions(s)
  local defines = {}
  -- Comments: ';' to the end of a line, and C comments once preprocessed.
  s = s:gsub("/%*.-%*/", " ")
  local lines = {}
  for line in (s .. "\n"):gmatch("([^\n]*)\n") do
    line = line:gsub("\r$", "")
    local name, value = line:match("^%s*#%s*define%s+([%a_][%w_]*)%s+(.-)%s*$")
    if name then
      defines[name] = value:gsub("//.*$", "")
    elseif not line:match("^%s*#") then
      line = line:gsub(";.*$", ""):gsub("//.*$", "")
      lines[#lines + 1] = line
    end
  end
  local text = table.concat(lines, "\n")

  local regions = {}
  local stack = {}
  local last = 1
  for i, c in text:gmatch("()([{}])") do
    if c == "{" then
      local header = text:sub(last, i - 1):match("^%s*(.-)%s*$")
      local name, base, size = parse_header(header)
      local region = {
        name = name or "", base_text = base, size_text = size,
        base = base and evaluate(base, defines), size = size and evaluate(size, defines),
        depth = #stack + 1, body_start = i + 1, parent = stack[#stack],
      }
      stack[#stack + 1] = region
      last = i + 1
    elseif c == "}" then
      local region = table.remove(stack)
      if region then
        region.body = text:sub(region.body_start, i - 1)
        regions[#regions + 1] = region
      end
      last = i + 1
    end
  end
  return regions
end

-- NSC region (the execution region of the secure gateway veneers) and XOM regions
-- (execution regions named XOM0 .. XOM3) of a scatter file.
-- Targets of one project often link with the same scatter file: each file is read
-- and split into regions once per import (false: it could not be read).
local scatter_cache = {}

local function cached_scatter_regions(path)
  if scatter_cache[path] == nil then
    local s = readall(path)
    scatter_cache[path] = s and scatter_regions(s) or false
  end
  return scatter_cache[path]
end

local function read_scatter(path, where)
  local regions = cached_scatter_regions(path)
  if not regions then
    tell(where, "cannot read scatter file", path)
    return nil
  end
  local result = { xom = {} }
  for _, r in ipairs(regions) do
    if r.depth == 2 and r.body:find("Veneer$$CMSE", 1, true) then
      local size = r.size or (r.parent and r.parent.size)
      if r.base and size then
        result.nsc, result.nscsize = r.base, size
      else
        tell(where, "cannot evaluate the veneer region", r.name)
      end
    end
    local k = r.name:match("^XOM(%d)$")
    if r.depth == 2 and k and tonumber(k) <= 3 then
      if r.base and r.size then
        result.xom[tonumber(k)] = { base = r.base, size = r.size }
      else
        tell(where, "cannot evaluate region", r.name)
      end
    end
  end
  return result
end

------------------------------------------------------------------------------
-- uVision projects
------------------------------------------------------------------------------

-- A project is read in place: a target or element is a range { first, last } of
-- the file's text, and only the texts of leaf elements are copied out. (Lua hashes
-- a long string by sampling it, so copies of thousands of near-identical targets
-- would all land in one bucket of its string table.) One project is read per run.
local project_text = ""
-- Per searched text: where it was last searched from and where it was found then.
local searched_from, found_at = {}, {}

local function open_project(s)
  project_text, searched_from, found_at = s, {}, {}
  return { first = 1, last = #s }
end

-- First position >= from at which needle starts, or nil. Ranges asked for in file
-- order thus search the file once per needle, however many targets lack it.
local NOT_FOUND = math.huge
local find = string.find
local function find_from(needle, from)
  local at = found_at[needle]
  if not (at and searched_from[needle] <= from and from <= at) then
    at = find(project_text, needle, from, true) or NOT_FOUND
    searched_from[needle], found_at[needle] = from, at
  end
  if at ~= NOT_FOUND then return at end
  return nil
end

-- "<name>" and "</name>", made once per name.
local opening, closing = {}, {}

-- First and last position of the text between the first <name> of r and the first
-- </name> after it, both inside r (what "<name>(.-)</name>" would capture), or nil.
local function span(r, name)
  local open_tag, close_tag = opening[name], closing[name]
  if not open_tag then
    open_tag, close_tag = "<" .. name .. ">", "</" .. name .. ">"
    opening[name], closing[name] = open_tag, close_tag
  end
  local open = find_from(open_tag, r.first)
  if not open then return nil end
  local inner = open + #open_tag
  local close = find_from(close_tag, inner)
  if not close or close + #close_tag - 1 > r.last then return nil end
  return inner, close - 1
end

-- The element as a range, or nil.
local function block(r, name)
  local first, last = span(r, name)
  if not first then return nil end
  return { first = first, last = last }
end

-- The text of the element, entities replaced, or nil.
local function tag(r, name)
  local first, last = span(r, name)
  if not first then return nil end
  return unescape(project_text:sub(first, last))
end

-- The top-level targets: <Target> immediately followed by <TargetName>, which
-- skips the nested DebugOption/Target of older files. Each reaches to the next
-- one, or to </Targets>.
local function targets()
  local s = project_text
  local starts = {}
  local pos = 1
  while true do
    local a, b = s:find("<Target>", pos, true)
    if not a then break end
    local _, name_end = s:find("^%s*<TargetName>", b + 1)
    if name_end then starts[#starts + 1] = a end
    pos = (name_end or b) + 1
  end
  local list = {}
  for i, a in ipairs(starts) do
    local e = starts[i + 1] or s:find("</Targets>", a, true) or #s + 1
    list[#list + 1] = { first = a, last = e - 1 }
  end
  return list
end

-- Start and size of a memory row of OnChipMemories.
local function memory_row(t, row)
  local b = block(t, row)
  if not b then return nil end
  local start, size = number(tag(b, "StartAddress")), number(tag(b, "Size"))
  if start and size and size > 0 then return start, size end
  return nil
end

-- IROM(start,size) or IROM(start-end) of the Cpu string.
local function cpu_memory(cpu, which)
  if not cpu then return nil end
  local a, b = cpu:match("%f[%w]" .. which .. "%(%s*(0[xX]%x+)%s*,%s*(0[xX]%x+)%s*%)")
  if a then return number(a), number(b) end
  a, b = cpu:match("%f[%w]" .. which .. "%(%s*(0[xX]%x+)%s*%-%s*(0[xX]%x+)%s*%)")
  if a then return number(a), number(b) - number(a) + 1 end
  return nil
end

-- The Target dialog's memory rows: element, dialog name and its "default" tick.
local ROM_ROWS = {
  { "OCR_RVCT4", "IROM1", "Ir1Chk" }, { "OCR_RVCT5", "IROM2", "Ir2Chk" },
  { "OCR_RVCT1", "ROM1", "Ro1Chk" }, { "OCR_RVCT2", "ROM2", "Ro2Chk" }, { "OCR_RVCT3", "ROM3", "Ro3Chk" },
}
local RAM_ROWS = {
  { "OCR_RVCT9", "IRAM1", "Im1Chk" }, { "OCR_RVCT10", "IRAM2", "Im2Chk" },
  { "OCR_RVCT6", "RAM1", "Ra1Chk" }, { "OCR_RVCT7", "RAM2", "Ra2Chk" }, { "OCR_RVCT8", "RAM3", "Ra3Chk" },
}

-- The memory the target links to: the first row ticked as default (a non-secure
-- project often ticks IROM2/IRAM2 and leaves the secure half in row 1), else the
-- first row that is set, else the device's memory of the Cpu string.
local function first_memory(t, rows, device_row, cpu, cpu_name)
  for _, row in ipairs(rows) do
    local start, size = memory_row(t, row[1])
    if start and tag(t, row[3]) == "1" then return start, size, row[2] end
  end
  for _, row in ipairs(rows) do
    local start, size = memory_row(t, row[1])
    if start then return start, size, row[2] end
  end
  local start, size = memory_row(t, device_row)
  if start then return start, size, device_row end
  start, size = cpu_memory(cpu, cpu_name)
  if start then return start, size, "Cpu " .. cpu_name end
  return nil
end

local function folder_of(path)
  return path:match("^(.*)[\\/][^\\/]*$") or "."
end

local function is_absolute(p)
  return p:match("^[\\/]") ~= nil or p:match("^%a:") ~= nil
end

local function resolve(base_dir, rel)
  rel = rel:gsub("[\\/]", SEP)
  if is_absolute(rel) then return rel end
  rel = rel:gsub("^%." .. (SEP == "\\" and "\\" or "/"), "")
  return base_dir .. SEP .. rel
end

-- The scatter file a target names, found beside the project; each name once.
local scatter_paths = {}
local function scatter_path(file, scatter)
  local path = scatter_paths[scatter]
  if not path then
    path = resolve(folder_of(file), scatter)
    scatter_paths[scatter] = path
  end
  return path
end

local function import_target(t, count, file, output_names)
  local target_name = tag(t, "TargetName") or ""
  local output_name = tag(t, "OutputName")
  local name
  if count > 1 and output_names[output_name or ""] and output_names[output_name or ""] > 1 then
    name = sanitize((output_name or "") .. "_" .. target_name)
  elseif valid_name(output_name) then
    name = output_name
  elseif valid_name(target_name) then
    name = target_name
  else
    name = sanitize(target_name ~= "" and target_name or (file:match("([^\\/]+)%.%w+$") or "Imported"))
  end
  local where = { file = file, target = target_name }

  local cpu = tag(t, "Cpu")
  local secure_text = tag(t, "nSecure")
  local ns = 1
  if secure_text == nil then
    tell(where, "no nSecure element, taken as non-secure")
  elseif secure_text == "1" then
    if cpu and not cpu:find("%f[%w]TZ%f[^%w]") then
      tell(where, "the device has no TrustZone, taken as non-secure")
    else
      ns = 0
    end
  end

  local ro, rosize, from = first_memory(t, ROM_ROWS, "IROM", cpu, "IROM")
  if not ro then
    tell(where, "no read-only memory found")
    ro, rosize = 0, 0
  elseif from ~= "IROM1" then
    tell(where, "code region taken from " .. from .. ", not IROM1")
  end
  local rw, _, rwfrom = first_memory(t, RAM_ROWS, "IRAM", cpu, "IRAM")
  if not rw then
    tell(where, "no read-write memory found")
    rw = 0
  elseif rwfrom ~= "IRAM1" then
    tell(where, "data base taken from " .. rwfrom .. ", not IRAM1")
  end

  local nsc, nscsize = 0, 0
  local xom = {}
  local ldads = block(t, "LDads")
  local scatter = ldads and tag(ldads, "ScatterFile")
  local uses_layout = ldads ~= nil and tag(ldads, "umfTarg") == "1"
  if scatter and scatter ~= "" and not uses_layout then
    local found = read_scatter(scatter_path(file, scatter), where)
    if found then
      if found.nsc then nsc, nscsize = found.nsc, found.nscsize end
      xom = found.xom
    end
  elseif ns == 0 then
    tell(where, "no scatter file of its own, NSC region unknown")
  end
  if ns == 0 and nscsize == 0 then
    tell(where, "no veneer region (Veneer$$CMSE) found")
  end

  local flags = {}
  for k = 0, 3 do
    if xom[k] then
      flags[k] = 1
      setxom(k, hx(xom[k].base), hx(xom[k].size))
    else
      flags[k] = 0
    end
  end
  addprj(name, ns, ro, rosize, rw, nsc, nscsize, flags[0], flags[1], flags[2], flags[3], "", file)
end

local function import(file)
  if type(file) ~= "string" or file == "" then
    say("ldp.lua: no file to import")
    return
  end
  local s = readall(file)
  if not s then
    say("ldp.lua: cannot read", file)
    return
  end
  if not s:find("<Project", 1, true) then
    say("ldp.lua: not a uVision project:", file)
    return
  end
  local whole = open_project(s)
  local version = tag(whole, "SchemaVersion")
  if version and version ~= "2.1" then
    say("ldp.lua: schema version " .. version .. " (expected 2.1); reading what matches")
  end
  local list = targets()
  if #list == 0 then
    say("ldp.lua: no target in", file)
    return
  end
  local output_names = {}
  for _, t in ipairs(list) do
    local o = tag(t, "OutputName") or ""
    output_names[o] = (output_names[o] or 0) + 1
  end
  for i, t in ipairs(list) do
    local ok, err = pcall(import_target, t, #list, file, output_names)
    if not ok then say("ldp.lua: target " .. i .. " of " .. file .. " skipped:", tostring(err)) end
  end
end

import(infname)
