-- Runs ldp.lua the way the tool's import does, with recording host functions,
-- and prints each call on one line:
--   lua5.1 import_stub.lua LDP_SCRIPT PROJECT_FILE
-- Lines: "addprj<TAB>name<TAB>ns<TAB>ro<TAB>rosize<TAB>rw<TAB>nsc<TAB>nscsize<TAB>x0..x3<TAB>next<TAB>path",
-- "setxom<TAB>k<TAB>base<TAB>size", "setnsba<TAB>n", "dbg<TAB>...".
local script, file = arg[1], arg[2]
assert(script and file, "usage: import_stub.lua LDP_SCRIPT PROJECT_FILE")

local function hex(n)
  n = math.floor(tonumber(n) or 0) % 4294967296
  return string.format("0x%x%04x", math.floor(n / 65536), n % 65536):gsub("^0x0+(%x)", "0x%1")
end

local env = {}
for k, v in pairs(_G) do env[k] = v end
env._G = env
env.arg = nil
env.infname = file
env.dbg = function(...)
  local t = { "dbg" }
  for i = 1, select("#", ...) do t[#t + 1] = tostring((select(i, ...))) end
  io.write(table.concat(t, "\t"), "\n")
end
env.addprj = function(name, ns, ro, rosize, rw, nsc, nscsize, x0, x1, x2, x3, nb, path)
  assert(select("#", name, ns, ro, rosize, rw, nsc, nscsize, x0, x1, x2, x3, nb, path) == 13)
  assert(type(name) == "string" and type(nb) == "string" and type(path) == "string", "addprj texts")
  for _, n in ipairs({ ns, ro, rosize, rw, nsc, nscsize, x0, x1, x2, x3 }) do
    assert(type(n) == "number", "addprj numbers")
  end
  io.write(table.concat({ "addprj", name, tostring(ns), hex(ro), hex(rosize), hex(rw), hex(nsc), hex(nscsize),
    tostring(x0), tostring(x1), tostring(x2), tostring(x3), nb, path }, "\t"), "\n")
end
env.setxom = function(k, base, size)
  assert(type(k) == "number" and type(base) == "string" and type(size) == "string", "setxom types")
  io.write(table.concat({ "setxom", tostring(k), base, size }, "\t"), "\n")
end
env.setnsba = function(n) io.write("setnsba\t" .. tostring(n) .. "\n") end

local chunk = assert(loadfile(script))
setfenv(chunk, env)
chunk()
