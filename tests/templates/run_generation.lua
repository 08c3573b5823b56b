-- Stand-in for the tool's generation step, for checking the template scripts on
-- their own: copies the template trees the way the tool does, moves the files to
-- the project names, and runs tes.lua / tens.lua, each in a fresh environment
-- holding exactly the globals the tool sets.
--
-- lua5.1 run_generation.lua WORKDIR CONFIG.lua
--   WORKDIR  a working folder with ZQD/, tes.lua and tens.lua (the current
--            directory becomes it, as for the tool)
--   CONFIG   a Lua file returning { out=, bsp=, rpath=, nsba=, sramnsba=,
--            words={pnsset0=...}, xom={{base=,size=},...}, projects={...} }

local workdir, config_file = arg[1], arg[2]
assert(workdir and config_file, "usage: run_generation.lua WORKDIR CONFIG.lua")
local config = dofile(config_file)

local function sh(cmd)
  local ok = os.execute(cmd)
  assert(ok == 0 or ok == true, "failed: " .. cmd)
end
local function q(p) return "'" .. p:gsub("'", "'\\''") .. "'" end
local function exists(p)
  local f = io.open(p, "rb")
  if f then f:close() return true end
  return os.execute("test -e " .. q(p)) == 0
end
local function move_no_replace(from, to)
  if exists(to) or not exists(from) then return end
  assert(os.rename(from, to))
end
local function copy_replacing(from, to) sh("cp -f " .. q(from) .. " " .. q(to)) end

local function run_script(script, globals)
  local env = {}
  for k, v in pairs(_G) do env[k] = v end
  env._G = env
  env.arg = nil
  for k, v in pairs(globals) do env[k] = v end
  local chunk = assert(loadfile(workdir .. "/" .. script))
  setfenv(chunk, env)
  chunk()
end

local O = config.out
local NO = 4294967295
local function find(name)
  for _, p in ipairs(config.projects) do if p.name == name then return p end end
end

-- Summary of the secure projects.
local all_nsc, all_nscsize, secure_names = NO, 0, {}
for _, p in ipairs(config.projects) do
  if p.secure then
    if p.nsc < all_nsc then all_nsc = p.nsc end
    all_nscsize = (all_nscsize + p.nscsize) % 4294967296
    secure_names[#secure_names + 1] = p.name
  end
end

sh("mkdir -p " .. q(O))
if #config.projects > 0 and not exists(O .. "/TrustZone.uvmpw") then
  copy_replacing(workdir .. "/ZQD/TrustZone.uvmpw", O .. "/TrustZone.uvmpw")
  copy_replacing(workdir .. "/ZQD/TrustZone.eww", O .. "/TrustZone.eww")
end

local function next_boot(p)
  if p.next == nil or p.next == "" then return NO, 0 end
  local n = assert(find(p.next), "next boot " .. p.next)
  return n.ro, n.secure and 0 or 1
end

local function copy_tree(template, P)
  sh("mkdir -p " .. q(O .. "/" .. P))
  sh("cp -R " .. q(workdir .. "/ZQD/" .. template) .. "/. " .. q(O .. "/" .. P))
end

local function add_xom(g, p)
  for k = 0, 3 do
    if p.xom and p.xom[k] then
      g["xombase" .. k] = config.xom[k + 1].base
      g["xomsize" .. k] = config.xom[k + 1].size
      copy_replacing(workdir .. "/ZQD/xom/xom_func.c", O .. "/" .. p.name .. "/xom" .. k .. "_func.c")
      copy_replacing(workdir .. "/ZQD/xom/xom_func.h", O .. "/" .. p.name .. "/xom" .. k .. "_func.h")
    end
  end
end

local nsclibs = {}
for _, p in ipairs(config.projects) do
  if p.secure then
    local P, D = p.name, O .. "/" .. p.name
    copy_tree("Secure", P)
    move_no_replace(D .. "/KEIL/Secure.uvprojx", D .. "/KEIL/" .. P .. ".uvprojx")
    move_no_replace(D .. "/KEIL/Secure.uvoptx", D .. "/KEIL/" .. P .. ".uvoptx")
    move_no_replace(D .. "/IAR/Secure.eww", D .. "/IAR/" .. P .. ".eww")
    move_no_replace(D .. "/IAR/Secure.ewd", D .. "/IAR/" .. P .. ".ewd")
    move_no_replace(D .. "/IAR/Secure.ewp", D .. "/IAR/" .. P .. ".ewp")
    move_no_replace(D .. "/main.c", D .. "/main_" .. P .. ".c")
    copy_replacing(workdir .. "/ZQD/partition_V6048.h", O .. "/partition_V6048.h")
    local nb, nbns = next_boot(p)
    local g = {
      rpath = config.rpath, fpath = O, fmain = D .. "/main_" .. P .. ".c",
      fscatter = D .. "/KEIL/secure.sct", fpartition = O .. "/partition_V6048.h",
      prjname = P, nsba = config.nsba, nssramba = config.sramnsba, bsppath = config.bsp,
      ro = p.ro, rosize = p.rosize, rw = p.rw, rwsize = (config.sramnsba - 0x30000000) % 4294967296,
      nsc = p.nsc, nscsize = p.nscsize, all_nsc = all_nsc, all_nscsize = all_nscsize,
      next_boot = nb, next_boot_ns = nbns, str_next_boot = p.next or "",
    }
    for k, v in pairs(config.words) do g[k] = v end
    add_xom(g, p)
    run_script("tes.lua", g)
    if p.nscsize ~= 0 then nsclibs[#nsclibs + 1] = P end
  end
end

for _, p in ipairs(config.projects) do
  if not p.secure then
    local P, D = p.name, O .. "/" .. p.name
    copy_tree("Nonsecure", P)
    move_no_replace(D .. "/KEIL/Nonsecure.uvprojx", D .. "/KEIL/" .. P .. ".uvprojx")
    move_no_replace(D .. "/KEIL/Nonsecure.uvoptx", D .. "/KEIL/" .. P .. ".uvoptx")
    move_no_replace(D .. "/IAR/Nonsecure.eww", D .. "/IAR/" .. P .. ".eww")
    move_no_replace(D .. "/IAR/Nonsecure.ewd", D .. "/IAR/" .. P .. ".ewd")
    move_no_replace(D .. "/IAR/Nonsecure.ewp", D .. "/IAR/" .. P .. ".ewp")
    move_no_replace(D .. "/main_ns.c", D .. "/main_" .. P .. ".c")
    local nb = next_boot(p)
    local g = {
      rpath = config.rpath, fpath = O, fmain = D .. "/main_" .. P .. ".c", prjname = P,
      nsba = config.nsba, nssramba = config.sramnsba, ro = p.ro, rosize = p.rosize, rw = p.rw,
      next_boot = nb,
    }
    for j, n in ipairs(secure_names) do g["sprj" .. (j - 1)] = n end
    for j, n in ipairs(nsclibs) do g["nsclib" .. (j - 1)] = n end
    add_xom(g, p)
    run_script("tens.lua", g)
  end
end
