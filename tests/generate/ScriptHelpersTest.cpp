// The shared script helpers that find their places by plain searches must find
// exactly what the patterns they stand for find: Lua's own find and gsub, and the
// pattern forms the helpers replaced, are the measure, on texts with blanks, tabs,
// Windows line ends and near misses.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "generate/ScriptHost.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

using test::ScriptedFrontend;
using test::TempDir;

// Runs body after H = dofile(tzedit.lua); the body raises an error for a mismatch.
bool RunWithHelpers(const std::string& body, ScriptedFrontend& ui) {
    TempDir dir(TempDir::Enter);
    const std::filesystem::path helpers =
        std::filesystem::path(VELMORA_SOURCE_DIR) / "workspace" / "ZQD" / "tzedit.lua";
    dir.writeFile("t.lua", "warn = function() end\nlocal H = dofile([[" + helpers.string() + "]])\n" + body);
    ScriptHost host(ui);
    return host.Open() && host.LoadScript(L"t.lua") && host.Run();
}

const char* const kTexts = R"lua(
local texts = {
  "  <a>1</a>\n\t<a>22</a>\n<b><a></a></b>",
  "x<option>\r\n    <name>N</name>\r\n    <version>3</version>\r\n    <state>1</state>\r\n  </option>\r\n",
  "\t \t<NodeIsActive>1</NodeIsActive>  \r\n<NodeIsActive>x</NodeIsActive>\n <NodeIsActive>2</NodeIsActive>\n",
  "<<a>a>1</a> <a>2</a>\n<a>3</a >",
  "#define A 1\n  #define B\t0x2\n#define AB 3\n#define A 4\n/*#define B 5*/\n\t#define C(x) x\n",
  "",
}
)lua";

TEST(ScriptHelpers, PlainSearchesFindWhatThePatternsFind) {
    ScriptedFrontend ui;
    const std::string body = std::string(kTexts) + R"lua(
local function same(what, a, b)
  if a ~= b then error(what .. ": " .. tostring(a) .. " ~= " .. tostring(b)) end
end
local leads = {
  { "<a>", "(<a>)[^<]*(</a>)", "[%1=%2]", nil, false },
  { "<a>", "(<a>)[^<]*(</a>)", "[%1]", 1, false },
  { "<NodeIsActive>", "[ \t]*<NodeIsActive>%d+</NodeIsActive>[ \t]*\r?\n", "", nil, true },
  { "<name>N</name>", "<name>N</name>%s*<version>(%d+)</version>", "v%1", nil, false },
  { "<option>", "[ \t]*<option>.-</option>", "O", nil, true },
  { "#define", "#define[ \t]+([%w_]+)", "D(%1)", 2, false },
}
for t, s in ipairs(texts) do
  for l, c in ipairs(leads) do
    local tag = "text " .. t .. ", pattern " .. l
    local r1, n1 = H.gsub_from(s, c[1], c[2], c[3], c[4], c[5])
    local r2, n2 = s:gsub(c[2], c[3], c[4])
    same(tag .. " gsub", r1, r2)
    same(tag .. " count", n1, n2)
    for init = 1, #s + 1 do
      local a1, e1 = H.find_from(s, c[1], c[2], init, c[5])
      local a2, e2 = s:find(c[2], init)
      same(tag .. " find at " .. init, a1, a2)
      same(tag .. " end at " .. init, e1, e2)
    end
    same(tag .. " match", H.match_from(s, c[1], c[2], c[5]), (s:match(c[2])))
  end
  for _, lead in ipairs({ "<a>", "<name>N</name>", "a>1", "<", "#define B" }) do
    for init = 1, #s + 1 do
      local a1, b1 = H.find_plain(s, lead, init)
      local a2, b2 = s:find(lead, init, true)
      same("text " .. t .. " plain " .. lead .. " at " .. init, a1, a2)
      same("text " .. t .. " plain end " .. lead .. " at " .. init, b1, b2)
    end
  end
  for _, word in ipairs({ "a", "AB", "NodeIsActive", "define" }) do
    same("text " .. t .. " word " .. word, H.replace_word(s, word, "%1_x"),
         (s:gsub("%f[%w_]" .. word .. "%f[^%w_]", "%%1_x")))
  end
end
local entry = "Secure_NscEntry(1); xSecure_NscEntry Secure_NscEntry_2 Secure_NscEntry"
same("entry", H.replace_word(entry, "Secure_NscEntry", "P_NscEntry"),
     (entry:gsub("%f[%w_]Secure_NscEntry%f[^%w_]", "P_NscEntry")))
)lua";
    EXPECT_TRUE(RunWithHelpers(body, ui)) << (ui.messages.empty() ? std::wstring() : ui.messages.front().text);
}

TEST(ScriptHelpers, DefinesAreSetAsOneSearchPerNameWouldSetThem) {
    ScriptedFrontend ui;
    const std::string body = std::string(kTexts) + R"lua(
-- One name at a time, as the scripts set them before: its first definition at the
-- start of a line (after a line end) takes the value; a missing one is warned of.
local function one_by_one(s, list)
  for _, d in ipairs(list) do
    local r, n = s:gsub("(\n[ \t]*#define[ \t]+" .. d[1] .. "[ \t]+)[%w_]+", "%1" .. d[2], 1)
    s = r
  end
  return s
end
local lists = {
  { { "A", "9" } }, { { "B", "0x10" }, { "A", "7" } }, { { "AB", "x" }, { "C", "1" }, { "Z", "2" } },
}
for t, s in ipairs(texts) do
  for l, list in ipairs(lists) do
    local got, want = H.set_defines(s, list), one_by_one(s, list)
    if got ~= want then error("text " .. t .. ", list " .. l .. ": " .. got .. " ~= " .. want) end
  end
end
)lua";
    EXPECT_TRUE(RunWithHelpers(body, ui)) << (ui.messages.empty() ? std::wstring() : ui.messages.front().text);
}

// IAR options are rewritten in one pass as a pattern per option rewrites them:
// in every configuration, names that are prefixes of others left alone, the
// version kept, one <state> per value, escaped, and the file's line ends.
TEST(ScriptHelpers, IarOptionsAreSetAsOnePatternPerNameWouldSetThem) {
    ScriptedFrontend ui;
    const std::string body = R"lua(
local function option(ind, name, version, states, eol)
  local t = { ind .. "<option>", ind .. "    <name>" .. name .. "</name>" }
  if version then t[#t + 1] = ind .. "    <version>" .. version .. "</version>" end
  for _, v in ipairs(states) do t[#t + 1] = ind .. "    <state>" .. v .. "</state>" end
  t[#t + 1] = ind .. "</option>"
  return table.concat(t, eol)
end
local function project(eol)
  local c = {}
  for _, cfg in ipairs({ "Debug", "Release" }) do
    c[#c + 1] = table.concat({
      "<configuration>", "  <name>" .. cfg .. "</name>", "  <settings>", "    <name>ICCARM</name>",
      option("\t\t", "CCDefines", nil, { "A", "B" }, eol),
      option("      ", "CCDefines2", "1", { "x" }, eol),
      option("      ", "OGChipSelectEditMenu", "0", { "old" }, eol),
      option("      ", "IlinkIcfFile", nil, { "old.icf" }, eol),
      "  </settings>", "</configuration>" }, eol)
  end
  return "<project>" .. eol .. table.concat(c, eol) .. eol .. "</project>" .. eol
end
local function xesc(t) return (t:gsub("&", "&amp;"):gsub("<", "&lt;"):gsub(">", "&gt;")) end
local function by_pattern(s, name, values, eol)
  if type(values) ~= "table" then values = { values } end
  return (s:gsub("([ \t]*)<option>(%s*<name>" .. name .. "</name>)(.-)</option>", function(ind, head, rest)
    local t = { ind .. "<option>" .. head .. (rest:match("^%s*<version>%d+</version>") or "") }
    for _, v in ipairs(values) do t[#t + 1] = ind .. "    <state>" .. xesc(v) .. "</state>" end
    if #values == 0 then t[#t + 1] = ind .. "    <state></state>" end
    return table.concat(t, eol) .. eol .. ind .. "</option>"
  end))
end
local lists = {
  { { "CCDefines", { "X=1", "Y<2>" } } },
  { { "IlinkIcfFile", "$PROJ_DIR$\\a&b.icf" }, { "CCDefines2", {} }, { "OGChipSelectEditMenu", { "V6048", "Quorvex V6048" } } },
  { { "Missing", "1" }, { "CCDefines", "one" } },
}
for _, eol in ipairs({ "\n", "\r\n" }) do
  local s = project(eol)
  for l, list in ipairs(lists) do
    local want = s
    for _, o in ipairs(list) do want = by_pattern(want, o[1], o[2], eol) end
    local got = H.set_iar_options(s, list)
    if got ~= want then error("list " .. l .. ":\n" .. got .. "\n~=\n" .. want) end
  end
end
)lua";
    EXPECT_TRUE(RunWithHelpers(body, ui)) << (ui.messages.empty() ? std::wstring() : ui.messages.front().text);
}

}  // namespace
}  // namespace velmora
